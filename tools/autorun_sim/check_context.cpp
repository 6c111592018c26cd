// The shared state of the checks: line numbers from byte offsets and the program's own lookups.
#include "tools/autorun_sim/check_context.h"

#include <algorithm>
#include <cstdlib>

#include "config/text_encoding.h"
#include "platform/sim/sim.h"

namespace autorun::tool {

const char* const mainKeys[] = {keys::icon,       keys::showCaption, keys::appName,
                                keys::background, keys::buttons,     nullptr};
const char* const buttonKeys[] = {keys::top,      keys::left,     pictureKeys[0], pictureKeys[1],
                                  pictureKeys[2], pictureKeys[3], keys::action,   keys::activate,
                                  tipKey,         nullptr};
const char* const pictureRoles[4] = {"normal", "hover", "pressed", "disabled"};

namespace {

bool blank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// The n of every "[Button<n>]" in the text, as the menu numbers its sections; the largest.
uint32_t highestButton(const char* text, int32_t size) {
    uint32_t highest = 0;
    for (int32_t i = 0; i < size; ++i) {
        if (text[i] != '[') continue;
        int32_t close = i + 1;
        while (close < size && text[close] != ']' && text[close] != '[') ++close;
        if (close >= size || text[close] != ']') continue;
        highest = std::max(highest, buttonNumberOf(text + i + 1, close - i - 1));
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
    app.lookup("Main", keys::buttons);
    int32_t count = readNumber(app.currentValue.text());
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
    for (int32_t i = lineStart(offset); i < offset; ++i) {
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

void CheckContext::fileName(int32_t offset, const std::string& name) {
    if (!dependsOnCodePage(name.c_str())) return;
    if (codePageNameOffset_ >= 0 && codePageNameOffset_ <= offset) return;
    codePageNameOffset_ = offset;
    codePageName_ = name;
}

void CheckContext::warnCodePageName() {
    if (codePageNameOffset_ < 0) return;
    warn(codePageNameOffset_, quote(codePageName_) + " works only on machines whose code page is " +
                                  std::to_string(options.codePage) +
                                  "; save the file as UTF-8 with a byte-order mark to work "
                                  "everywhere");
}

int32_t CheckContext::headerOffset(const std::string& section) {
    if (!app.openSection(section.c_str())) return -1;
    return app.sectionCursor - static_cast<int32_t>(section.size()) - 2;
}

Answer CheckContext::answer(const std::string& section, const std::string& key) {
    Answer result;
    result.offset = app.lookupLine(section.c_str(), key.c_str());
    if (result.offset < 0) return result;
    result.found = true;
    result.line.assign(app.currentLine.text(), static_cast<size_t>(app.currentLine.length()));
    if (app.currentValue.length() > 0)
        result.value.assign(app.currentValue.text(),
                            static_cast<size_t>(app.currentValue.length()));
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

std::string CheckContext::inFolder(const std::string& name) const {
    const String& path = app.inFolder(name.c_str());
    return path.length() > 0 ? path.text() : "";
}

std::string CheckContext::systemPath(const std::string& path) const {
    String converted(systemText(path.c_str()));
    return converted.length() > 0 ? converted.text() : "";
}

std::string CheckContext::shownPath(const std::string& path) const {
    return textEncoding() == TextEncoding::ansi ? sim::toCodePage(path) : path;
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
        int32_t n = 0;
        String* words = itemWords(item, n);
        piece.text = item;
        for (int32_t k = 0; words != nullptr && k < n; ++k)
            piece.words.emplace_back(words[k].text());
        piece.command = readCommand(n, words);
        piece.rule = readRule(n, words);
        piece.plainTarget = words != nullptr && n >= 2 && plainRuleTarget(words[1]);
        piece.ruleNamesAlias = piece.rule.alias != nullptr;
        piece.rule.alias = nullptr;
        if (words != nullptr) piece.shell = shellRefusal(static_cast<uint32_t>(n), words);
        delete[] words;
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
