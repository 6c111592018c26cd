// Command-line options of autorun-sim and the simulated machine they set up.
#include "tools/autorun_sim/options.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "platform/sim/sim.h"

namespace autorun::tool {

namespace {

bool parseNumber(const std::string& text, int32_t& out, int32_t low, int32_t high) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < low || value > high) return false;
    out = static_cast<int32_t>(value);
    return true;
}

std::vector<std::string> splitAt(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == sep) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

}  // namespace

int fail(const std::string& message) {
    std::fprintf(stderr, "autorun-sim: %s\n", message.c_str());
    return usageError;
}

bool parseOptions(int argc, char** argv, Options& options, std::string& error, bool& help) {
    help = false;
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        }
        if (arg.rfind("--", 0) != 0) break;
        std::string name = arg;
        std::string value;
        size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        } else {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (name == "--dir") {
            options.dir = value;
        } else if (name == "--cwd") {
            if (value.empty()) {
                error = "--cwd needs a directory text, such as C:\\menu";
                return false;
            }
            options.cwd = value;
        } else if (name == "--registry") {
            options.registry = value;
        } else if (name == "--screen") {
            std::vector<std::string> parts = splitAt(value, 'x');
            if (parts.size() != 2 || !parseNumber(parts[0], options.screenWidth, 1, 100000) ||
                !parseNumber(parts[1], options.screenHeight, 1, 100000)) {
                error = "--screen wants WIDTHxHEIGHT in pixels, such as 1024x768, not \"" + value +
                        "\"";
                return false;
            }
        } else if (name == "--metrics") {
            std::vector<std::string> parts = splitAt(value, ',');
            if (parts.size() != 3 || !parseNumber(parts[0], options.captionHeight, 0, 1000) ||
                !parseNumber(parts[1], options.frameWidth, 0, 1000) ||
                !parseNumber(parts[2], options.frameHeight, 0, 1000)) {
                error = "--metrics wants CAPTION,FRAMEX,FRAMEY in pixels, such as 19,4,4, not \"" +
                        value + "\"";
                return false;
            }
        } else if (name == "--wait-slices") {
            if (!parseNumber(value, options.waitSlices, 0, 1000000)) {
                error = "--wait-slices wants a number of waits, such as 2, not \"" + value + "\"";
                return false;
            }
        } else if (name == "--codepage") {
            if (!parseNumber(value, options.codePage, 1, 65535)) {
                error = "--codepage wants the number of a Windows code page, such as 1251, not \"" +
                        value + "\"";
                return false;
            }
        } else {
            error = "unknown option " + name + " (see --help)";
            return false;
        }
    }
    if (i >= argc) {
        error = "no command given: query, aliases, play or check (see --help)";
        return false;
    }
    options.command = argv[i++];
    for (; i < argc; ++i) options.arguments.push_back(argv[i]);
    return true;
}

bool prepareMachine(const Options& options, std::string& error) {
    struct stat info;
    if (stat(options.dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = "the menu folder " + options.dir + " does not exist";
        return false;
    }
    sim::reset();
    if (!sim::setCodePage(options.codePage)) {
        error = "code page " + std::to_string(options.codePage) +
                " is not a single-byte code page this system can convert";
        return false;
    }
    sim::setCurrentDirectory(options.cwd);
    sim::mapFolder(options.dir);
    sim::setScreenSize(options.screenWidth, options.screenHeight);
    sim::setMetrics(options.captionHeight, options.frameWidth, options.frameHeight);
    sim::setWaitSlices(options.waitSlices);
    if (!options.registry.empty() && !sim::loadRegistryFile(options.registry, error)) return false;
    return true;
}

}  // namespace autorun::tool
