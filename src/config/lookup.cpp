// The dialect of autorun.ini: sections found anywhere, lines, prefix-matched keys and values.
#include "config/application.h"

namespace autorun {

namespace {

bool endsLine(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

void Application::lookup(const char* section, const char* key) {
    currentValue.assign("");
    if (section == nullptr || key == nullptr) return;
    currentKey.assign(key);
    if (!openSection(section)) return;
    while (nextLine()) {
        if (matchKey()) return;
    }
}

bool Application::openSection(const char* name) {
    String header(concat(concat(String("["), name), "]"));
    int32_t p = find(header.text(), configText);
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
