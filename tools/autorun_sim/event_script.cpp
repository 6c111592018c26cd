// Parsing of play's event lines: words separated by blanks, arguments optionally in double quotes.
#include "tools/autorun_sim/event_script.h"

#include <vector>

#include "platform/window_system.h"

namespace autorun::tool {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

// Splits a line into words; a word in double quotes may hold blanks and runs to the next quote
// (there is no escape, so a value cannot hold a quote).
bool splitWords(const std::string& line, std::vector<std::string>& words, std::string& error) {
    size_t i = 0;
    while (i < line.size()) {
        if (isSpace(line[i])) {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            size_t close = line.find('"', i + 1);
            if (close == std::string::npos) {
                error = "a double quote is not closed";
                return false;
            }
            word = line.substr(i + 1, close - i - 1);
            i = close + 1;
            if (i < line.size() && !isSpace(line[i])) {
                error = "a closing double quote must be followed by a blank";
                return false;
            }
        } else {
            size_t end = i;
            while (end < line.size() && !isSpace(line[end])) {
                if (line[end] == '"') {
                    error = "a double quote may only start a word";
                    return false;
                }
                ++end;
            }
            word = line.substr(i, end - i);
            i = end;
        }
        words.push_back(word);
    }
    return true;
}

bool parseInteger(const std::string& text, int64_t low, int64_t high, bool hexAllowed,
                  int64_t& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    int base = 10;
    if (hexAllowed && !negative && text.size() > 2 && text[0] == '0' &&
        (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i == text.size() || text.size() - i > 10) return false;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return false;
        value = value * base + digit;
    }
    if (negative) value = -value;
    if (value < low || value > high) return false;
    out = value;
    return true;
}

// The pointer position travels as two signed 16-bit numbers.
bool parsePoint(const std::vector<std::string>& words, Event& event, std::string& error) {
    int64_t x = 0;
    int64_t y = 0;
    if (words.size() != 3 || !parseInteger(words[1], -32768, 32767, false, x) ||
        !parseInteger(words[2], -32768, 32767, false, y)) {
        error = words[0] + " wants X Y, two whole numbers from -32768 to 32767";
        return false;
    }
    event.x = static_cast<int32_t>(x);
    event.y = static_cast<int32_t>(y);
    return true;
}

std::string withoutRoot(const std::string& key) {
    for (const char* root : {"HKEY_CURRENT_USER\\", "HKCU\\"}) {
        std::string prefix = root;
        if (key.size() < prefix.size()) continue;
        bool same = true;
        for (size_t i = 0; i < prefix.size() && same; ++i) {
            char c = key[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            same = c == prefix[i];
        }
        if (same) return key.substr(prefix.size());
    }
    return key;
}

bool parseRegistry(const std::vector<std::string>& words, Event& event, std::string& error) {
    const char* usage =
        "registry wants: set KEY NAME VALUE, or delete KEY NAME (KEY below HKEY_CURRENT_USER; "
        "\"\" for the default value)";
    if (words.size() < 2 || (words[1] != "set" && words[1] != "delete")) {
        error = usage;
        return false;
    }
    bool set = words[1] == "set";
    if (words.size() != (set ? 5u : 4u) || withoutRoot(words[2]).empty()) {
        error = usage;
        return false;
    }
    event.kind = set ? EventKind::registrySet : EventKind::registryDelete;
    event.key = withoutRoot(words[2]);
    event.name = words[3];
    if (set) event.value = words[4];
    return true;
}

struct KeyName {
    const char* name;
    uint32_t virtualKey;
};
const KeyName keyNames[] = {{"tab", vk::tab},   {"enter", vk::enter}, {"space", vk::space},
                            {"left", vk::left}, {"right", vk::right}, {"up", vk::up},
                            {"down", vk::down}, {"f4", vk::f4}};

// key [shift+|alt+]NAME [REPEATS]
bool parseKey(const std::vector<std::string>& words, Event& event, std::string& error) {
    const char* usage =
        "key wants a key name, optionally after shift+ or alt+, and a number of repeats while "
        "it is held (0 to 100): tab, enter, space, left, right, up, down or f4, such as key "
        "shift+tab or key enter 3";
    if (words.size() < 2 || words.size() > 3) {
        error = usage;
        return false;
    }
    std::string name = words[1];
    for (;;) {
        if (name.rfind("shift+", 0) == 0) {
            event.shift = true;
            name = name.substr(6);
        } else if (name.rfind("alt+", 0) == 0) {
            event.alt = true;
            name = name.substr(4);
        } else {
            break;
        }
    }
    for (const KeyName& known : keyNames) {
        if (name == known.name) event.virtualKey = known.virtualKey;
    }
    int64_t repeats = 0;
    if (event.virtualKey == 0 ||
        (words.size() == 3 && !parseInteger(words[2], 0, 100, false, repeats))) {
        error = usage;
        return false;
    }
    event.kind = EventKind::key;
    event.repeats = static_cast<int32_t>(repeats);
    return true;
}

}  // namespace

bool parseEvent(const std::string& line, Event& event, std::string& error) {
    event = Event{};
    std::string text = line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') return true;

    std::vector<std::string> words;
    if (!splitWords(text, words, error)) return false;
    const std::string& verb = words[0];
    if (verb == "move" || verb == "down" || verb == "dblclick") {
        event.kind = verb == "move"   ? EventKind::move
                     : verb == "down" ? EventKind::down
                                      : EventKind::doubleClick;
        return parsePoint(words, event, error);
    }
    if (verb == "key") return parseKey(words, event, error);
    if (verb == "message") {
        int64_t number = 0;
        if (words.size() != 2 || !parseInteger(words[1], 0, UINT32_MAX, true, number)) {
            error = "message wants one message number, such as 1025 or 0x401";
            return false;
        }
        event.kind = EventKind::message;
        event.message = static_cast<uint32_t>(number);
        return true;
    }
    if (verb == "erase") {
        if (words.size() != 1) {
            error = "erase takes no arguments";
            return false;
        }
        event.kind = EventKind::erase;
        return true;
    }
    if (verb == "registry") return parseRegistry(words, event, error);
    if (verb == "accessible") {
        int64_t child = 0;
        bool press = words.size() == 3 && words[1] == "press" &&
                     parseInteger(words[2], 1, 1024, false, child);
        if (words.size() != 1 && !press) {
            error = "accessible takes nothing, or press and a child number from 1 to 1024";
            return false;
        }
        event.kind = EventKind::accessible;
        event.child = static_cast<uint32_t>(child);
        return true;
    }
    if (verb == "shot") {
        if (words.size() != 2 || words[1].empty()) {
            error = "shot wants one file name, such as shot menu.png";
            return false;
        }
        event.kind = EventKind::shot;
        event.path = words[1];
        return true;
    }
    error = "unknown event \"" + verb +
            "\" (known: move, down, dblclick, key, message, erase, registry, accessible, shot)";
    return false;
}

}  // namespace autorun::tool
