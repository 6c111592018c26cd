// The dialect of autorun.ini: sections found anywhere, lines, prefix-matched keys and values.
#include "config/application.h"

namespace autorun {

namespace {

bool endsLine(char c) {
    return c == '\r' || c == '\n';
}

bool matchesFolded(const char* text, int32_t length, const char* name) {
    int32_t i = 0;
    for (; i < length && name[i] != '\0'; ++i) {
        if (fold(text[i]) != fold(name[i])) return false;
    }
    return i == length && name[i] == '\0';
}

// The index slot of a section name of the given length: 0 Main, 1 Registry, 1 + n Button<n>;
// -1 for every other name.
int32_t sectionSlot(const char* name, int32_t length) {
    if (matchesFolded(name, length, "Main")) return 0;
    if (matchesFolded(name, length, "Registry")) return 1;
    uint32_t n = buttonNumberOf(name, length);
    return n >= 1 && n <= maxButtons ? 1 + static_cast<int32_t>(n) : -1;
}

}  // namespace

uint32_t buttonNumberOf(const char* name, int32_t length) {
    const int32_t prefix = 6;
    if (length <= prefix || !matchesFolded(name, prefix, "Button") || name[prefix] == '0') return 0;
    uint32_t n = 0;
    for (int32_t i = prefix; i < length; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        uint32_t digit = static_cast<uint32_t>(name[i] - '0');
        if (n > (UINT32_MAX - digit) / 10) return 0;
        n = n * 10 + digit;
    }
    return n;
}

void Application::lookup(const char* section, const char* key) {
    currentValue.assign("");
    if (section == nullptr || key == nullptr) return;
    currentKey.assign(key);
    if (!openSection(section)) return;
    while (nextLine()) {
        if (matchKey()) return;
    }
}

int32_t Application::lookupLine(const char* section, const char* key) {
    currentLine.assign("");
    lookup(section, key);
    // The walk stops on the answering line; when none answers, the last line it left in
    // currentLine (if any) is one that does not match.
    if (!matchKey()) return -1;
    return sectionCursor - currentLine.length();
}

void Application::buildSectionIndex() {
    for (int32_t& start : sectionIndex) start = -1;
    sectionIndexBuilt = true;
    if (configText == nullptr) return;
    // A header is a "[" whose next bracket is "]"; the first occurrence of each name counts.
    for (int32_t p = 0; configText[p] != '\0';) {
        if (configText[p] != '[') {
            ++p;
            continue;
        }
        int32_t q = p + 1;
        while (configText[q] != '\0' && configText[q] != '[' && configText[q] != ']') ++q;
        if (configText[q] == ']') {
            int32_t slot = sectionSlot(configText + p + 1, q - p - 1);
            if (slot >= 0 && sectionIndex[slot] < 0) sectionIndex[slot] = p;
            ++q;
        }
        p = q;
    }
}

bool Application::openSection(const char* name) {
    String header(concat(concat(String("["), name), "]"));
    int32_t slot = name != nullptr ? sectionSlot(name, textSize(name) - 1) : -1;
    int32_t p = -1;
    if (slot >= 0) {
        if (!sectionIndexBuilt) buildSectionIndex();
        p = sectionIndex[slot];
    } else {
        p = find(header.text(), configText);
    }
    if (p < 0) return false;
    int32_t start = p + header.length();
    int32_t end = start;
    while (configText[end] != '[' && configText[end] != '\0') ++end;
    sectionCursor = start;
    sectionEnd = end;
    return true;
}

bool Application::nextLine() {
    int32_t i = sectionCursor;
    if (configText == nullptr || i >= sectionEnd) return false;
    int32_t first = -1;
    while (i < sectionEnd) {
        if (endsLine(configText[i])) {
            if (first >= 0) break;
        } else if (first < 0) {
            first = i;
        }
        ++i;
    }
    if (first < 0) return false;
    sectionCursor = i;
    currentLine.assignBytes(configText + first, i - first);
    return true;
}

bool Application::matchKey() {
    const char* line = currentLine.text();
    int32_t length = currentLine.length();
    if (line == nullptr || line[0] == ';') return false;
    int32_t p = find(currentKey.text(), line);
    if (p < 0) return false;
    for (int32_t i = 0; i < p; ++i) {
        if (!isBlank(line[i])) return false;
    }
    int32_t q = p;
    while (q < length && line[q] != '=') ++q;
    if (q == length) return false;
    int32_t end = length;
    while (end > q + 1 && isBlank(line[end - 1])) --end;
    int32_t start = q + 1;
    while (start < end && isBlank(line[start])) ++start;
    currentValue.assignBytes(line + start, end - start);
    return true;
}

}  // namespace autorun
