// Construction of the Application: the base directory and the whole of autorun.ini in memory.
#include "config/application.h"

#include <cstring>
#include <new>

#include "buttons/menu_button.h"
#include "config/text_encoding.h"
#include "platform/files.h"

namespace autorun {

namespace {

Application* current = nullptr;

// The first buffer size asked for, as Windows programs traditionally use.
constexpr uint32_t shortPath = 260;

}  // namespace

Application* Application::instance() {
    return current;
}

Application::Application() {
    windowProcedure = windowProc;
    readBaseDirectory();
    loadConfiguration();
    current = this;
}

Application::~Application() {
    destroyButtons();
    delete[] configText;
    configText = nullptr;
    if (current == this) current = nullptr;
}

const String& Application::inFolder(const char* name) const {
    return concat(baseDirectory, systemText(name).text());
}

void Application::readBaseDirectory() {
    char buffer[shortPath];
    uint32_t result = platform::getCurrentDirectory(shortPath, buffer);
    if (result > 0 && result < shortPath) {
        baseDirectory.assign(buffer);
    } else {
        // A longer directory reports the size it needs; it may change between the calls, so
        // the question is asked again until an answer fits.
        for (int attempt = 0; attempt < 4 && result >= shortPath; ++attempt) {
            uint32_t size = result;
            char* longer = new (std::nothrow) char[size];
            if (longer == nullptr) break;
            result = platform::getCurrentDirectory(size, longer);
            if (result > 0 && result < size) baseDirectory.assign(longer);
            delete[] longer;
            if (baseDirectory.length() > 0) break;
        }
    }
    // Without a directory text the menu still finds its files relative to where it runs.
    if (baseDirectory.length() == 0) baseDirectory.assign(".");
    // Out of memory even for that: the empty text still names the current directory.
    if (baseDirectory.length() == 0) return;
    char last = baseDirectory.text()[baseDirectory.length() - 1];
    if (last != '\\' && last != '/') baseDirectory.assign(concat(baseDirectory, "\\"));
}

void Application::loadConfiguration() {
    setTextEncoding(TextEncoding::ansi);
    String path(inFolder("autorun.ini"));
    FileHandle file = platform::openFile(path.text());
    if (file == nullptr) return;
    int32_t size = fileSize(file);
    char* buffer = new (std::nothrow) char[static_cast<uint32_t>(size) + 1];
    if (buffer != nullptr) {
        int32_t got =
            static_cast<int32_t>(platform::readFile(file, buffer, static_cast<uint32_t>(size)));
        // A file that opens with the byte-order mark is UTF-8; the mark itself is no text.
        if (startsWithByteOrderMark(buffer, got)) {
            got -= byteOrderMarkSize;
            std::memmove(buffer, buffer + byteOrderMarkSize, static_cast<size_t>(got));
            setTextEncoding(TextEncoding::utf8);
        }
        buffer[got] = '\0';
        configText = buffer;
    }
    platform::closeFile(file);
}

void Application::destroyButtons() {
    delete[] buttons;
    buttons = nullptr;
    buttonCount = 0;
}

int32_t fileSize(FileHandle file) {
    if (file == nullptr) return 0;
    int32_t position = platform::tellFile(file);
    if (!platform::seekFile(file, 0, platform::SeekFrom::end)) return 0;
    int32_t size = platform::tellFile(file);
    platform::seekFile(file, position < 0 ? 0 : position, platform::SeekFrom::start);
    return size < 0 || size == INT32_MAX ? 0 : size;
}

}  // namespace autorun
