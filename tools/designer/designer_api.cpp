// The designer page's only way into the menu: a C API over the simulated machine. The page puts
// the menu folder and the registry in, starts the menu as play does, hands it pointer events and
// reads back pixels, buttons, the trace and the findings of check.
#include <dirent.h>
#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "buttons/menu_button.h"
#include "config/application.h"
#include "config/text_encoding.h"
#include "platform/sim/sim.h"
#include "tools/autorun_sim/check_context.h"
#include "tools/autorun_sim/menu_run.h"
#include "tools/designer/json_text.h"

using namespace autorun;
using namespace autorun::tool;

namespace {

// Where the page's files live in the module's in-memory file system.
const char* const menuFolder = "/menu";

struct Designer {
    Options options;
    std::string registryFile;                   // a loaded .reg, applied at every start
    std::vector<Event> registryEdits;           // the values set on the page since, in order
    std::deque<std::function<void()>> pending;  // input the menu has not taken yet
    bool running = false;
    bool stopping = false;
    std::string trace;  // lines since the page last read them
    std::string aliases;
    std::string layout;
    std::vector<Finding> findings;
    std::string reply;  // the text the last call handed out
    std::vector<uint8_t> rgba;
};

Designer& designer() {
    static Designer* state = [] {
        auto* d = new Designer();
        d->options.dir = menuFolder;
        d->options.cwd = "D:\\Menu";
        // A started program runs until the author ends it on the page.
        d->options.waitSlices = 1000000000;
        return d;
    }();
    return *state;
}

// The page's side of the two places where the menu gives control back: an empty queue, and a
// program it waits for. Both resolve when the page has something for it (or after one slice of
// the wait), and Asyncify resumes the menu where it stopped.
EM_ASYNC_JS(void, awaitInput, (), { await Module.designerAwaitInput(); });
EM_ASYNC_JS(void, awaitWaitSlice, (), { await Module.designerAwaitWaitSlice(); });

bool nextInput() {
    Designer& d = designer();
    // The trace lines have been handed to the page through the sink already.
    sim::clearTrace();
    while (d.pending.empty() && !d.stopping) awaitInput();
    if (d.stopping) return false;
    std::function<void()> input = std::move(d.pending.front());
    d.pending.pop_front();
    input();
    return true;
}

void prepare() {
    Designer& d = designer();
    std::string error;
    mkdir(menuFolder, 0755);
    prepareMachine(d.options, error);
    if (!d.registryFile.empty()) sim::loadRegistryText(d.registryFile, "registry.reg", error);
    for (const Event& edit : d.registryEdits) deliverEvent(edit);
}

std::string field(const std::string& line, const std::string& name) {
    size_t start = line.find(" " + name + "=\"");
    if (start == std::string::npos) return "";
    start += name.size() + 3;
    size_t end = line.find("\" ", start);
    if (end == std::string::npos) end = line.rfind('"');
    return end > start ? line.substr(start, end - start) : "";
}

// A text of the file as the menu hands it to the system.
std::string inUtf8(const String& text) {
    String converted(text.length() > 0 ? systemText(text.text()) : String());
    return converted.length() > 0 ? converted.text() : "";
}

// Every alias of [Registry] with the key and value name the menu reads it from, found by the
// menu's own parsing of each line: the registry calls it makes name them. A key that does not
// exist is made for a moment, so that the value's name shows too.
std::string listAliases() {
    std::string key, valueName;
    bool opened = false;
    sim::setTraceSink([&](const std::string& line) {
        if (line.rfind("RegOpenKeyExW ", 0) == 0) {
            key = field(line, "key");
            opened = line.find("result=0") != std::string::npos;
        } else if (line.rfind("RegQueryValueExW ", 0) == 0) {
            valueName = field(line, "name");
        }
    });
    std::string rows = "[";
    {
        Application app;
        if (app.openSection("Registry")) {
            while (app.nextLine()) {
                String line(app.currentLine);
                key.clear();
                valueName.clear();
                app.parseAliasLine();
                if (app.currentKey.length() == 0) continue;
                std::string name = inUtf8(app.currentKey);
                std::string value = inUtf8(app.currentValue);
                if (!key.empty() && !opened) {
                    sim::createRegistryKey(key);
                    app.currentLine.assign(line);
                    app.parseAliasLine();
                }
                if (rows.size() > 1) rows += ",";
                rows += "{\"name\":" + jsonText(name) + ",\"key\":" + jsonText(key) +
                        ",\"valueName\":" + jsonText(valueName) + ",\"value\":" + jsonText(value) +
                        ",\"defined\":" + (key.empty() ? "false" : "true") + "}";
            }
        }
    }
    sim::setTraceSink(nullptr);
    return rows + "]";
}

void removeTree(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode)) {
        std::remove(path.c_str());
        return;
    }
    std::vector<std::string> entries;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") entries.push_back(path + "/" + name);
        }
        closedir(dir);
    }
    for (const std::string& entry : entries) removeTree(entry);
    rmdir(path.c_str());
}

std::string answerField(CheckContext& context, const std::string& section, const char* key) {
    Answer answer = context.answer(section, key);
    if (!answer.found) return "null";
    return "[" + std::to_string(answer.offset) + "," + std::to_string(answer.line.size()) + "]";
}

// For each button, where its section's header line ends and which lines answer Left and Top,
// as [offset, length] in bytes: what the layout mode rewrites.
std::string layoutOf(const Options& options) {
    Application app;
    std::string bytes;
    if (app.configText != nullptr) bytes = app.configText;
    CheckContext context(options, app, bytes);
    std::string rows = "[";
    uint32_t count = std::min<uint32_t>(context.buttonCount(), maxButtons);
    for (uint32_t n = 1; n <= count; ++n) {
        std::string section = sectionOfButton(n);
        int32_t header = context.headerOffset(section);
        if (n > 1) rows += ",";
        rows += "{\"headerEnd\":" + std::to_string(header >= 0 ? context.lineEnd(header) : -1) +
                ",\"left\":" + answerField(context, section, keys::left) +
                ",\"top\":" + answerField(context, section, keys::top) + "}";
    }
    return rows + "]";
}

const char* hand(std::string text) {
    designer().reply = std::move(text);
    return designer().reply.c_str();
}

}  // namespace

extern "C" {

// Empties the menu folder.
EMSCRIPTEN_KEEPALIVE void designer_clear_folder() {
    removeTree(menuFolder);
    mkdir(menuFolder, 0755);
}

// Puts a file into the menu folder; name is relative, with "/" between folders. 0 when written.
EMSCRIPTEN_KEEPALIVE int designer_put_file(const char* name, const uint8_t* data, int size) {
    std::string path = menuFolder;
    mkdir(menuFolder, 0755);
    std::string rest = name;
    size_t slash;
    while ((slash = rest.find('/')) != std::string::npos) {
        path += "/" + rest.substr(0, slash);
        mkdir(path.c_str(), 0755);
        rest = rest.substr(slash + 1);
    }
    path += "/" + rest;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 1;
    size_t written = size > 0 ? std::fwrite(data, 1, static_cast<size_t>(size), file) : 0;
    return std::fclose(file) == 0 && written == static_cast<size_t>(size > 0 ? size : 0) ? 0 : 1;
}

// Sets a text value below HKEY_CURRENT_USER; an empty value removes it ("not installed"). It
// holds for this run and every later one.
EMSCRIPTEN_KEEPALIVE void designer_set_registry(const char* key, const char* name,
                                                const char* value) {
    Event edit;
    edit.kind = value[0] != '\0' ? EventKind::registrySet : EventKind::registryDelete;
    edit.key = key;
    edit.name = name;
    edit.value = value;
    designer().registryEdits.push_back(edit);
    if (designer().running) designer().pending.push_back([edit] { deliverEvent(edit); });
}

// Loads a registry file as exported; the values set on the page before are dropped. Returns ""
// or the reason it cannot be read.
EMSCRIPTEN_KEEPALIVE const char* designer_load_registry(const char* text, int size) {
    std::string content(text, static_cast<size_t>(size));
    std::string error;
    sim::reset();
    if (!sim::loadRegistryText(content, "registry.reg", error)) return hand(error);
    designer().registryFile = content;
    designer().registryEdits.clear();
    return hand("");
}

// The machine's ANSI code page, the encoding of an autorun.ini without byte-order mark and of
// 8-bit .reg files, from the next start on. 0 when the machine can take it.
EMSCRIPTEN_KEEPALIVE int designer_set_code_page(int codePage) {
    if (!sim::setCodePage(codePage)) return 1;
    designer().options.codePage = codePage;
    return 0;
}

// 1 when the size bytes at data are read as UTF-8, for they start with the byte-order mark.
EMSCRIPTEN_KEEPALIVE int designer_is_utf8(const char* data, int size) {
    return startsWithByteOrderMark(data, size) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void designer_set_screen(int width, int height, int caption, int frameX,
                                              int frameY) {
    Options& o = designer().options;
    o.screenWidth = width;
    o.screenHeight = height;
    o.captionHeight = caption;
    o.frameWidth = frameX;
    o.frameHeight = frameY;
}

// Runs the menu as play does until it ends or the page stops it; called through Asyncify, so
// the page gets control back whenever the menu waits for input or for a program.
EMSCRIPTEN_KEEPALIVE void designer_run() {
    Designer& d = designer();
    d.running = true;
    d.stopping = false;
    d.pending.clear();
    d.trace.clear();
    prepare();
    d.aliases = listAliases();
    prepare();
    d.findings = collectFindings(d.options);
    d.layout = layoutOf(d.options);
    sim::clearTrace();
    sim::setWaitHook([](int32_t) {
        if (!designer().stopping) awaitWaitSlice();
    });
    runMenu(nextInput, [](const std::string& line) {
        designer().trace += line;
        designer().trace += '\n';
    });
    sim::setWaitHook(nullptr);
    d.running = false;
}

// Ends the run: a program being waited for ends, and the menu is closed as after play's script.
EMSCRIPTEN_KEEPALIVE void designer_stop() {
    designer().stopping = true;
    sim::endPrograms();
}

EMSCRIPTEN_KEEPALIVE void designer_end_program() {
    sim::endPrograms();
}

EMSCRIPTEN_KEEPALIVE void designer_move(int x, int y) {
    designer().pending.push_back([x, y] { sim::move(x, y); });
}

// The left button goes down; the menu takes a click as the button goes down.
EMSCRIPTEN_KEEPALIVE void designer_press(int x, int y) {
    designer().pending.push_back([x, y] { sim::press(x, y); });
}

EMSCRIPTEN_KEEPALIVE void designer_release(int x, int y) {
    designer().pending.push_back([x, y] { sim::release(x, y); });
}

// The second press of a double click; the release follows as for any press.
EMSCRIPTEN_KEEPALIVE void designer_press_again(int x, int y) {
    designer().pending.push_back([x, y] { sim::pressAgain(x, y); });
}

// A key of the keyboard goes down (again, while held, when repeat) or comes up; shift and alt
// say whether those are held with it. virtualKey is Windows' code of the key.
EMSCRIPTEN_KEEPALIVE void designer_key(int virtualKey, int down, int repeat, int shift, int alt) {
    designer().pending.push_back([=] {
        sim::key(static_cast<uint32_t>(virtualKey), down != 0, repeat != 0, shift != 0, alt != 0);
    });
}

// Posts a message to the menu's window, such as 1025, which rebuilds the menu.
EMSCRIPTEN_KEEPALIVE void designer_message(int message) {
    designer().pending.push_back([message] { sim::postToWindow(static_cast<uint32_t>(message)); });
}

// The client area as RGBA bytes, row by row; designer_window says its size.
EMSCRIPTEN_KEEPALIVE const uint8_t* designer_pixels() {
    sim::Image image = sim::clientImage(sim::mainWindow());
    std::vector<uint8_t>& rgba = designer().rgba;
    rgba.resize(image.pixels.size() * 4);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint32_t p = image.pixels[i];
        rgba[i * 4] = static_cast<uint8_t>(p >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(p >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(p);
        rgba[i * 4 + 3] = 255;
    }
    return rgba.data();
}

// {"exists","width","height","title","caption"}: the main window as it stands.
EMSCRIPTEN_KEEPALIVE const char* designer_window() {
    sim::WindowInfo info = sim::windowInfo(sim::mainWindow());
    bool caption = info.window.bottom - info.window.top > info.client.bottom;
    return hand("{\"exists\":" + std::string(info.exists ? "true" : "false") +
                ",\"width\":" + std::to_string(info.client.right) +
                ",\"height\":" + std::to_string(info.client.bottom) +
                ",\"title\":" + (info.title ? jsonText(*info.title) : "null") +
                ",\"caption\":" + (caption ? "true" : "false") + "}");
}

// The trace lines made since the last call.
EMSCRIPTEN_KEEPALIVE const char* designer_trace() {
    std::string lines;
    lines.swap(designer().trace);
    return hand(std::move(lines));
}

// Each button's rectangle, state (0 normal, 1 hover, 2 pressed, 3 disabled) and flags.
EMSCRIPTEN_KEEPALIVE const char* designer_buttons() {
    std::string rows = "[";
    Application* app = designer().running ? Application::instance() : nullptr;
    for (uint32_t i = 0; app != nullptr && app->buttons != nullptr && i < app->buttonCount; ++i) {
        const MenuButton& b = app->buttons[i];
        if (i > 0) rows += ",";
        rows += "{\"left\":" + std::to_string(b.rect.left) +
                ",\"top\":" + std::to_string(b.rect.top) +
                ",\"right\":" + std::to_string(b.rect.right) +
                ",\"bottom\":" + std::to_string(b.rect.bottom) +
                ",\"state\":" + std::to_string(b.state) +
                ",\"hidden\":" + (b.hidden ? "true" : "false") +
                ",\"enabled\":" + (b.enabled ? "true" : "false") + "}";
    }
    return hand(rows + "]");
}

// The text of the tooltip the menu's tooltip control shows now, empty for none.
EMSCRIPTEN_KEEPALIVE const char* designer_tooltip() {
    return hand(designer().running ? sim::shownTooltip() : std::string());
}

// The findings of check on the files of the last start: [{"line","severity","text"}].
EMSCRIPTEN_KEEPALIVE const char* designer_findings() {
    std::string rows = "[";
    for (const Finding& f : designer().findings) {
        if (rows.size() > 1) rows += ",";
        rows += "{\"line\":" + std::to_string(f.line) + ",\"severity\":\"" +
                (f.severity == Severity::error ? "error" : "warning") +
                "\",\"text\":" + jsonText(shownText(f)) + "}";
    }
    return hand(rows + "]");
}

// The aliases of [Registry] at the last start: [{"name","key","valueName","value","defined"}].
EMSCRIPTEN_KEEPALIVE const char* designer_aliases() {
    return hand(designer().aliases);
}

// Per button: {"headerEnd", "left", "top"}, the places of the lines the layout mode rewrites.
EMSCRIPTEN_KEEPALIVE const char* designer_layout() {
    return hand(designer().layout);
}

}  // extern "C"
