// The shared state of the checks: line numbers from byte offsets and the program's own lookups.
#include "tools/autorun_sim/check_context.h"

#include <algorithm>
#include <cstdlib>

#include "platform/sim/sim.h"

namespace autorun::tool {

const char* const mainKeys[] = {"Icon", "ShowCaption", "AppName", "BackGround", "Buttons", nullptr};
const char* const buttonKeys[] = {"Top",     "Left",   "NABitmap", "ABitmap", "PBitmap",
                                  "DBitmap", "Action", "Activate", nullptr};
const char* const pictureKeys[4] = {"NABitmap", "ABitmap", "PBitmap", "DBitmap"};
const char* const pictureRoles[4] = {"normal", "hover", "pressed", "disabled"};

namespace {

bool blank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

bool hasByteOrderMark(const std::string& bytes) {
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
}

// The n of every "[Button<n>]" (n without leading zeros) in the text; the largest is returned.
uint32_t highestButton(const char* text, int32_t size) {
    uint32_t highest = 0;
    const std::string prefix = "[BUTTON";
    for (int32_t i = 0; i < size; ++i) {
        if (text[i] != '[') continue;
        int32_t j = 1;
        while (j < static_cast<int32_t>(prefix.size()) && i + j < size &&
               fold(text[i + j]) == static_cast<unsigned char>(prefix[j]))
            ++j;
        if (j < static_cast<int32_t>(prefix.size())) continue;
        int32_t k = i + j;
        if (k >= size || text[k] < '1' || text[k] > '9') continue;
        uint64_t n = 0;
        while (k < size && text[k] >= '0' && text[k] <= '9' && n <= UINT32_MAX) {
            n = n * 10 + static_cast<uint32_t>(text[k] - '0');
            ++k;
        }
        if (k < size && text[k] == ']' && n <= UINT32_MAX)
            highest = std::max(highest, static_cast<uint32_t>(n));
    }
    return highest;
}

}  // namespace

CheckContext::CheckContext(const Options& opts, Application& application, std::string fileBytes)
    : options(opts), app(application), bytes_(std::move(fileBytes)) {
    size_t nul = bytes_.find('\0');
    visible_ = static_cast<int32_t>(nul == std::string::npos ? bytes_.size() : nul);
    lineStarts_.push_back(0);
    for (size_t i = 0; i < bytes_.size(); ++i) {
        if (bytes_[i] == '\n' ||
            (bytes_[i] == '\r' && (i + 1 >= bytes_.size() || bytes_[i + 1] != '\n')))
            lineStarts_.push_back(static_cast<int32_t>(i + 1));
    }
    app.lookup("Main", "Buttons");
    int32_t count = app.currentValue.length() > 0 ? std::atoi(app.currentValue.text()) : 0;
    buttonCount_ = count > 0 ? static_cast<uint32_t>(count) : 0;
    if (app.configText != nullptr) highestSection_ = highestButton(app.configText, visible_);
}

int32_t CheckContext::lineOf(int32_t offset) const {
    auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    return static_cast<int32_t>(it - lineStarts_.begin());
}

int32_t CheckContext::lineStart(int32_t offset) const {
    auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    return *(it - 1);
}

int32_t CheckContext::lineEnd(int32_t offset) const {
    int32_t i = offset;
    int32_t size = static_cast<int32_t>(bytes_.size());
    while (i < size && bytes_[i] != '\r' && bytes_[i] != '\n') ++i;
    return i;
}

std::string CheckContext::lineAt(int32_t offset) const {
    int32_t start = lineStart(offset);
    return bytes_.substr(static_cast<size_t>(start), static_cast<size_t>(lineEnd(start) - start));
}

bool CheckContext::startsLine(int32_t offset) const {
    int32_t i = lineStart(offset);
    if (i == 0 && hasByteOrderMark(bytes_)) i = 3;
    for (; i < offset; ++i) {
        if (!blank(bytes_[i])) return false;
    }
    return true;
}

bool CheckContext::inComment(int32_t offset) const {
    std::string line = lineAt(offset);
    size_t first = line.find_first_not_of(std::string(" \t\v\f\0", 5));
    return first != std::string::npos && line[first] == ';';
}

void CheckContext::add(int32_t offset, Severity severity, const std::string& text) {
    findings_.push_back(Finding{offset < 0 ? 0 : lineOf(offset), severity, text});
}

void CheckContext::warn(int32_t offset, const std::string& text) {
    add(offset, Severity::warning, text);
}

void CheckContext::error(int32_t offset, const std::string& text) {
    add(offset, Severity::error, text);
}

int32_t CheckContext::headerOffset(const std::string& section) {
    if (!app.openSection(section.c_str())) return -1;
    return app.sectionCursor - static_cast<int32_t>(section.size()) - 2;
}

Answer CheckContext::answer(const std::string& section, const std::string& key) {
    Answer result;
    app.currentValue.assign("");
    app.currentKey.assign(key.c_str());
    if (!app.openSection(section.c_str())) return result;
    while (app.nextLine()) {
        if (!app.matchKey()) continue;
        result.found = true;
        result.offset = app.sectionCursor - app.currentLine.length();
        result.line.assign(app.currentLine.text(), static_cast<size_t>(app.currentLine.length()));
        if (app.currentValue.length() > 0)
            result.value.assign(app.currentValue.text(),
                                static_cast<size_t>(app.currentValue.length()));
        break;
    }
    return result;
}

std::vector<SectionLine> CheckContext::sectionLines(const std::string& section) {
    std::vector<SectionLine> lines;
    if (!app.openSection(section.c_str())) return lines;
    while (app.nextLine()) {
        lines.push_back(SectionLine{
            app.sectionCursor - app.currentLine.length(),
            std::string(app.currentLine.text(), static_cast<size_t>(app.currentLine.length()))});
    }
    return lines;
}

std::string CheckContext::baseDirectory() const {
    return app.baseDirectory.length() > 0 ? app.baseDirectory.text() : "";
}

std::optional<std::string> CheckContext::hostFile(const std::string& windowsPath) const {
    return sim::resolvePath(windowsPath);
}

std::vector<Item> splitItems(const std::string& value) {
    std::vector<Item> items;
    String list(value.c_str());
    char* item = list.text();
    while (item != nullptr) {
        char* next = cutItem(item);
        Item piece;
        int32_t n = wordCount(' ', item);
        piece.text = item;
        if (n > 0) {
            std::vector<String> words(static_cast<size_t>(n));
            split(words.data(), ' ', item);
            for (const String& w : words) piece.words.emplace_back(w.text());
        }
        for (char ch : piece.text) {
            if (blank(ch) && ch != ' ') piece.holdsControl = true;
        }
        items.push_back(piece);
        item = next;
    }
    return items;
}

std::string shown(const Item& item) {
    std::string out;
    for (char ch : item.text) out += ch == '\t' ? std::string("<TAB>") : std::string(1, ch);
    return out;
}

bool wordsAfter(const std::vector<Item>& items, size_t index) {
    return !nextWithWords(items, index).empty();
}

std::string nextWithWords(const std::vector<Item>& items, size_t index) {
    for (size_t i = index + 1; i < items.size(); ++i) {
        if (!items[i].words.empty()) return items[i].text;
    }
    return "";
}

std::string trimmed(const std::string& text) {
    size_t start = 0;
    size_t end = text.size();
    while (start < end && blank(text[start])) ++start;
    while (end > start && blank(text[end - 1])) --end;
    return text.substr(start, end - start);
}

bool sameName(const std::string& a, const std::string& b) {
    return equals(String(a.c_str()), b.c_str());
}

bool isPlainNumber(const std::string& text, bool signAllowed) {
    size_t i = signAllowed && !text.empty() && text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    return text.find_first_not_of("0123456789", i) == std::string::npos;
}

bool looksAbsolute(const std::string& path) {
    return !path.empty() &&
           (path[0] == '\\' || path[0] == '/' || (path.size() >= 2 && path[1] == ':'));
}

std::string quote(const std::string& text) {
    return "\"" + text + "\"";
}

std::string sectionOfButton(uint32_t number) {
    String section = buttonSection(number);
    return section.text();
}

}  // namespace autorun::tool
