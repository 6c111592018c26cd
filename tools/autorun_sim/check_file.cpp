// Checks of the file as a whole: its encoding, NUL bytes, section headers and stray brackets.
#include <algorithm>
#include <map>

#include "config/text_encoding.h"
#include "tools/autorun_sim/check_context.h"

namespace autorun::tool {

namespace {

const char* const ansiAdvice =
    "save the file as UTF-8 with a byte-order mark, or in the ANSI code page (Windows-1252, or "
    "1251 for Cyrillic)";

// The first UTF-8 character of a line whose bytes above 0x7F all form UTF-8 sequences; empty
// when the line is plain ASCII or holds a byte that UTF-8 cannot have (so it is ANSI text).
std::string utf8Sample(const std::string& line) {
    std::string sample;
    for (size_t i = 0; i < line.size();) {
        if (static_cast<unsigned char>(line[i]) < 0x80) {
            ++i;
            continue;
        }
        auto n = static_cast<size_t>(utf8SequenceAt(line.c_str(), static_cast<int32_t>(i),
                                                    static_cast<int32_t>(line.size())));
        if (n == 0) return "";
        if (sample.empty()) sample = line.substr(i, n);
        i += n;
    }
    return sample;
}

// The first byte of text where no valid UTF-8 sequence starts; npos when there is none.
size_t firstNonUtf8(const std::string& text) {
    auto n = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < n;) {
        int32_t valid = utf8SequenceAt(text.c_str(), i, n);
        if (valid == 0) return static_cast<size_t>(i);
        i += valid;
    }
    return std::string::npos;
}

std::string hexByte(char c) {
    const char* digits = "0123456789ABCDEF";
    auto b = static_cast<unsigned char>(c);
    return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

struct Header {
    int32_t offset = 0;
    std::string name;
};

bool holdsBlank(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= 0x20) return true;
    }
    return false;
}

std::string withoutBlanks(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (static_cast<unsigned char>(c) > 0x20) out += c;
    }
    return out;
}

// The range of lines after the line holding offset, up to the next "[" of the visible text,
// that hold a key line; {0, 0} when there is none.
std::pair<int32_t, int32_t> lostLines(CheckContext& c, int32_t offset) {
    const std::string& bytes = c.bytes();
    size_t next = bytes.find('[', static_cast<size_t>(offset) + 1);
    int32_t end = next == std::string::npos || static_cast<int32_t>(next) > c.visibleSize()
                      ? c.visibleSize()
                      : static_cast<int32_t>(next);
    int32_t first = 0;
    int32_t last = 0;
    for (int32_t i = c.lineEnd(offset); i < end;) {
        while (i < end && (bytes[i] == '\r' || bytes[i] == '\n')) ++i;
        if (i >= end) break;
        int32_t lineEnd = c.lineEnd(i);
        std::string line = trimmed(
            bytes.substr(static_cast<size_t>(i), static_cast<size_t>(std::min(lineEnd, end) - i)));
        if (!line.empty() && line[0] != ';') {
            if (first == 0) first = c.lineOf(i);
            last = c.lineOf(i);
        }
        i = lineEnd;
    }
    return {first, last};
}

std::string linesText(std::pair<int32_t, int32_t> lines) {
    if (lines.first == lines.second) return "line " + std::to_string(lines.first);
    return "lines " + std::to_string(lines.first) + " to " + std::to_string(lines.second);
}

bool isButtonName(const std::string& name, std::string& digits) {
    if (name.size() < 7 || !sameName(name.substr(0, 6), "Button")) return false;
    digits = name.substr(6);
    return digits.find_first_not_of("0123456789") == std::string::npos;
}

// The sections the menu reads: [Main], [Registry] and [Button1] to [Button<count>].
bool readByMenu(CheckContext& c, const std::string& name) {
    if (sameName(name, "Main") || sameName(name, "Registry")) return true;
    uint32_t n = buttonNumberOf(name.c_str(), static_cast<int32_t>(name.size()));
    return n >= 1 && n <= c.buttonCount();
}

void checkCapture(CheckContext& c, const std::string& name, const std::vector<Header>& headers) {
    int32_t at = c.headerOffset(name);
    if (at < 0 || c.startsLine(at)) return;
    std::string where = c.inComment(at) ? "in this comment" : "inside this line's value";
    std::string later;
    for (const Header& h : headers) {
        if (h.offset > at && sameName(h.name, name)) {
            later =
                ", and the header on line " + std::to_string(c.lineOf(h.offset)) + " is never read";
            break;
        }
    }
    c.error(at, "the first \"[" + name + "]\" of the file stands " + where +
                    ": the menu finds section headers anywhere, so section " + name +
                    " starts here" + later + "; write the name without brackets here");
}

}  // namespace

bool checkEncoding(CheckContext& c) {
    const std::string& bytes = c.bytes();
    bool utf16 = bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0;
    if (utf16) {
        c.error(0, std::string("the file is saved as UTF-16: the menu reads its bytes up to the "
                               "first NUL, which is one of the first two, so it reads nothing; ") +
                       ansiAdvice);
        return false;
    }
    // After the byte-order mark the file is read as UTF-8, and what is not UTF-8 shows as
    // U+FFFD; without it, UTF-8 text shows byte by byte in the ANSI code page.
    bool utf8 = textEncoding() == TextEncoding::utf8;
    for (int32_t i = 0; i < c.visibleSize();) {
        int32_t end = std::min(c.lineEnd(i), c.visibleSize());
        std::string line = bytes.substr(static_cast<size_t>(i), static_cast<size_t>(end - i));
        bool read = !c.inComment(i);
        size_t bad = utf8 && read ? firstNonUtf8(line) : std::string::npos;
        std::string sample = utf8 || !read ? "" : utf8Sample(line);
        if (bad != std::string::npos) {
            c.error(i, "this line holds bytes that are not UTF-8, the first " + hexByte(line[bad]) +
                           ": after the byte-order mark the menu shows each of them as the "
                           "replacement character U+FFFD; write the text in UTF-8");
        } else if (!sample.empty()) {
            c.warn(i, "this line holds UTF-8 text (\"" + sample +
                          "\"): the menu shows each of its bytes as a character of the ANSI "
                          "code page; " +
                          ansiAdvice);
        }
        i = end;
        while (i < c.visibleSize() && (bytes[i] == '\r' || bytes[i] == '\n')) ++i;
    }
    if (c.visibleSize() < static_cast<int32_t>(bytes.size())) {
        int32_t nul = c.visibleSize();
        std::string rest = bytes.substr(static_cast<size_t>(nul));
        if (!trimmed(rest).empty()) {
            int32_t last = c.lineOf(static_cast<int32_t>(bytes.size()) - 1);
            c.error(nul,
                    "a NUL byte here ends the text the menu reads: everything after it, up "
                    "to line " +
                        std::to_string(last) + ", is never seen; remove the NUL byte");
        }
    }
    return true;
}

void checkSections(CheckContext& c) {
    const std::string& bytes = c.bytes();
    std::vector<Header> headers;
    std::vector<int32_t> strays;
    for (int32_t p = 0; p < c.visibleSize(); ++p) {
        if (bytes[p] != '[') continue;
        if (!c.startsLine(p)) {
            strays.push_back(p);
            continue;
        }
        int32_t end = std::min(c.lineEnd(p), c.visibleSize());
        size_t close = bytes.find(']', static_cast<size_t>(p));
        if (close == std::string::npos || static_cast<int32_t>(close) > end) {
            c.warn(p,
                   "this line starts with \"[\" but has no \"]\": it is no section header, "
                   "yet its \"[\" ends the section above; write the header as [Name]");
            continue;
        }
        std::string name =
            bytes.substr(static_cast<size_t>(p) + 1, close - static_cast<size_t>(p) - 1);
        if (name.find('[') != std::string::npos) continue;
        if (name.empty() || holdsBlank(name)) {
            std::string fixed = withoutBlanks(name);
            c.warn(p, "\"[" + name + "]\" has " + (name.empty() ? "no name" : "blanks") +
                          " inside the brackets: the menu looks for headers such as [Main] "
                          "exactly, so this one opens no section that it reads" +
                          (fixed.empty() ? std::string() : "; write [" + fixed + "]"));
            continue;
        }
        headers.push_back(Header{p, name});
    }

    std::map<std::string, int32_t> first;
    for (const Header& h : headers) {
        std::string key = withoutBlanks(h.name);
        for (char& ch : key) ch = static_cast<char>(fold(ch));
        auto [it, fresh] = first.emplace(key, h.offset);
        if (!fresh) {
            c.error(h.offset, "section [" + h.name + "] appears again (first on line " +
                                  std::to_string(c.lineOf(it->second)) +
                                  "): the menu reads only the first, so the lines below this "
                                  "header are never read; move them into the first one");
            continue;
        }
        std::string digits;
        if (sameName(h.name, "Main") || sameName(h.name, "Registry")) continue;
        if (!isButtonName(h.name, digits)) {
            c.warn(h.offset, "the menu reads no section [" + h.name +
                                 "]: it reads only [Main], [Registry] and [Button1], [Button2], "
                                 "... up to the number in Buttons");
        } else if (digits[0] == '0' || digits.size() > 9) {
            c.warn(h.offset, "[" + h.name +
                                 "] is never read: the menu numbers the sections [Button1], "
                                 "[Button2], ... without leading zeros");
        } else if (!readByMenu(c, h.name)) {
            Answer buttons = c.answer("Main", keys::buttons);
            if (buttons.found && !buttons.value.empty()) {
                c.warn(h.offset, "[" + h.name + "] lies beyond Buttons=" + buttons.value +
                                     ": the menu never reads it; raise Buttons to " + digits +
                                     " or remove the section");
            }
        }
    }

    std::vector<std::string> names = {"Main", "Registry"};
    uint32_t buttons = std::min(c.buttonCount(), c.highestButtonSection());
    for (uint32_t n = 1; n <= buttons; ++n) names.push_back(sectionOfButton(n));
    std::vector<int32_t> captures;
    for (const std::string& name : names) {
        int32_t at = c.headerOffset(name);
        if (at >= 0 && !c.startsLine(at)) captures.push_back(at);
        checkCapture(c, name, headers);
    }

    int32_t lastLine = 0;
    for (int32_t p : strays) {
        int32_t line = c.lineOf(p);
        if (line == lastLine || std::find(captures.begin(), captures.end(), p) != captures.end())
            continue;
        lastLine = line;
        std::pair<int32_t, int32_t> lost = lostLines(c, p);
        if (c.inComment(p)) {
            if (lost.first == 0) continue;
            c.error(p,
                    "this \"[\" ends the section, although it stands in a comment: the menu "
                    "never reads " +
                        linesText(lost) + " below; leave the bracket out of the comment");
            continue;
        }
        std::string below =
            lost.first == 0 ? "" : ", and never reads " + linesText(lost) + " below";
        c.error(p,
                "a \"[\" inside a value ends the section: the menu reads this line only up to "
                "the \"[\"" +
                    below + "; a value cannot hold \"[\", leave it out");
    }
}

}  // namespace autorun::tool
