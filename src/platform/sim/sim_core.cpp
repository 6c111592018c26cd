// The simulated machine's state, its trace, and its files and current directory.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "config/text_encoding.h"
#include "platform/files.h"
#include "platform/sim/sim_world.h"
#include "platform/startup.h"

namespace autorun::sim {

namespace {

World* state = nullptr;

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool startsWithFolded(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           foldName(text.substr(0, prefix.size())) == foldName(prefix);
}

// The entry of folder whose name matches name regardless of case, or nothing.
std::optional<std::string> findEntry(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return std::nullopt;
    std::optional<std::string> found;
    std::string wanted = foldName(name);
    while (dirent* entry = readdir(dir)) {
        if (foldName(entry->d_name) == wanted) {
            found = folder + "/" + entry->d_name;
            if (name == entry->d_name) break;
        }
    }
    closedir(dir);
    return found;
}

// The host path for a menu path below the mapped folder, whether or not it exists yet.
std::optional<std::string> hostPathFor(const std::string& windowsPath) {
    World& w = world();
    if (w.hostFolder.empty() || windowsPath.empty()) return std::nullopt;
    std::string rest;
    const std::string& cwd = w.currentDirectory;
    bool cwdEndsInSeparator = !cwd.empty() && isSeparator(cwd.back());
    if (!cwd.empty() && startsWithFolded(windowsPath, cwd) &&
        (cwdEndsInSeparator || windowsPath.size() == cwd.size() ||
         isSeparator(windowsPath[cwd.size()]))) {
        rest = windowsPath.substr(cwd.size());
    } else if (isSeparator(windowsPath[0]) || (windowsPath.size() >= 2 && windowsPath[1] == ':')) {
        return std::nullopt;
    } else {
        rest = windowsPath;
    }
    std::string host = w.hostFolder;
    size_t i = 0;
    while (i <= rest.size()) {
        size_t j = i;
        while (j < rest.size() && !isSeparator(rest[j])) ++j;
        std::string part = rest.substr(i, j - i);
        i = j + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") return std::nullopt;
        std::optional<std::string> entry = findEntry(host, part);
        if (!entry) return std::nullopt;
        host = *entry;
    }
    return host;
}

}  // namespace

void Surface::resize(int32_t w, int32_t h, uint32_t fill) {
    std::vector<uint32_t> next(static_cast<size_t>(w > 0 ? w : 0) * (h > 0 ? h : 0), fill);
    for (int32_t y = 0; y < h && y < height; ++y) {
        for (int32_t x = 0; x < w && x < width; ++x) {
            next[static_cast<size_t>(y) * w + x] = pixels[static_cast<size_t>(y) * width + x];
        }
    }
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    pixels.swap(next);
}

World& world() {
    if (state == nullptr) state = new World();
    return *state;
}

void reset() {
    closeAllFiles();
    delete state;
    state = new World();
}

uintptr_t newHandle() {
    return world().nextHandle += 4;
}

void closeAllFiles() {
    if (state == nullptr) return;
    for (auto& [handle, file] : state->files) std::fclose(file);
    state->files.clear();
}

void record(const std::string& line) {
    World& w = world();
    w.trace.push_back(line);
    if (w.traceSink) w.traceSink(line);
}

std::string quoted(const char* text) {
    return text == nullptr ? "none" : "\"" + std::string(text) + "\"";
}

std::string quoted(const std::optional<std::string>& text) {
    return text ? quoted(text->c_str()) : "none";
}

std::string hex(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", value);
    return buffer;
}

std::string foldName(const std::string& name) {
    // Windows compares names without regard to case; the Latin-1 and Cyrillic letters cover
    // what menus use.
    std::string folded(name);
    int32_t n = static_cast<int32_t>(name.size());
    for (int32_t i = 0; i < n; ++i) folded[i] = static_cast<char>(foldedUtf8At(name.data(), i, n));
    return folded;
}

void setCurrentDirectory(const std::string& windowsPath) {
    world().currentDirectory = windowsPath;
}

void mapFolder(const std::string& hostFolder) {
    world().hostFolder = hostFolder;
}

std::optional<std::string> resolvePath(const std::string& windowsPath) {
    std::optional<std::string> host = hostPathFor(windowsPath);
    struct stat info;
    if (!host || stat(host->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return host;
}

std::optional<std::string> readHostFile(const std::string& hostPath, size_t limit) {
    FILE* file = std::fopen(hostPath.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    // One read of the size the file reports, then what may have been added since: a file read
    // a character at a time costs seconds at a few megabytes in the designer page.
    std::string bytes;
    struct stat info;
    if (fstat(fileno(file), &info) == 0 && info.st_size > 0)
        bytes.resize(std::min(static_cast<size_t>(info.st_size), limit));
    size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    bytes.resize(got);
    char more[4096];
    while (got == bytes.size() && bytes.size() < limit) {
        size_t n = std::fread(more, 1, std::min(sizeof more, limit - bytes.size()), file);
        if (n == 0) break;
        bytes.append(more, n);
        got = bytes.size();
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

const std::vector<std::string>& trace() {
    return world().trace;
}

void clearTrace() {
    world().trace.clear();
}

void setTraceSink(std::function<void(const std::string&)> sink) {
    world().traceSink = std::move(sink);
}

}  // namespace autorun::sim

namespace autorun::platform {

using namespace sim;

void hardenProcess() {}

uint32_t getCurrentDirectory(uint32_t size, char* buffer) {
    const std::string& cwd = world().currentDirectory;
    // No directory text stands for a failing call, which leaves the buffer as it was.
    if (cwd.empty()) {
        record("GetCurrentDirectoryW size=" + std::to_string(size) + " result=0");
        return 0;
    }
    uint32_t needed = static_cast<uint32_t>(cwd.size()) + 1;
    uint32_t result = needed <= size ? needed - 1 : needed;
    if (needed <= size) std::memcpy(buffer, cwd.c_str(), needed);
    record("GetCurrentDirectoryW size=" + std::to_string(size) +
           " result=" + std::to_string(result));
    return result;
}

FileHandle openFile(const char* path) {
    std::optional<std::string> host = path != nullptr ? resolvePath(path) : std::nullopt;
    FILE* file = host ? std::fopen(host->c_str(), "rb") : nullptr;
    uintptr_t h = 0;
    std::string size;
    if (file != nullptr) {
        h = newHandle();
        world().files[h] = file;
        struct stat info;
        if (stat(host->c_str(), &info) == 0) size = " size=" + std::to_string(info.st_size);
    }
    record("_wfopen name=" + quoted(path) + " mode=\"rb\" result=" + (file ? "ok" : "none") + size);
    return handle<FileHandle>(h);
}

uint32_t readFile(FileHandle file, void* buffer, uint32_t count) {
    auto it = world().files.find(id(file));
    if (it == world().files.end()) return 0;
    return static_cast<uint32_t>(std::fread(buffer, 1, count, it->second));
}

bool seekFile(FileHandle file, int32_t offset, SeekFrom from) {
    auto it = world().files.find(id(file));
    if (it == world().files.end()) return false;
    return std::fseek(it->second, offset, from == SeekFrom::end ? SEEK_END : SEEK_SET) == 0;
}

int32_t tellFile(FileHandle file) {
    auto it = world().files.find(id(file));
    if (it == world().files.end()) return -1;
    long position = std::ftell(it->second);
    return position > INT32_MAX ? -1 : static_cast<int32_t>(position);
}

void closeFile(FileHandle file) {
    auto it = world().files.find(id(file));
    if (it == world().files.end()) return;
    std::fclose(it->second);
    world().files.erase(it);
    record("fclose");
}

}  // namespace autorun::platform
