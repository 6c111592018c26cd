// Reads .reg files as the registry editor exports them, into the simulated registry.
#include <cctype>
#include <string>
#include <vector>

#include "platform/sim/sim_world.h"

namespace autorun::sim {

namespace {

const char* const rootName = "HKEY_CURRENT_USER";

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 (little-endian) as UTF-8; a surrogate without its partner reads as U+FFFD.
std::string fromUtf16(const uint8_t* bytes, size_t size) {
    std::string out;
    for (size_t i = 0; i + 1 < size; i += 2) {
        uint32_t unit = bytes[i] | bytes[i + 1] << 8;
        uint32_t next = i + 3 < size ? bytes[i + 2] | bytes[i + 3] << 8 : 0;
        if (unit >= 0xD800 && unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            i += 2;
        } else {
            appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    }
    return out;
}

// The file's text as UTF-8, whatever encoding it was saved in: UTF-16 or UTF-8 after their
// marks, otherwise the machine's code page.
std::string decode(const std::string& content) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(content.data());
    if (content.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return fromUtf16(bytes + 2, content.size() - 2);
    }
    if (content.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        return content.substr(3);
    }
    return fromCodePage(content);
}

std::string trimmed(const std::string& s) {
    size_t a = 0;
    size_t b = s.size();
    while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
    while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
    return s.substr(a, b - a);
}

struct Parser {
    std::string fileName;
    int line = 0;
    bool unicode = false;
    std::string error;
    // The key below HKEY_CURRENT_USER that values go to; nothing before the first key line and
    // after a deletion.
    std::optional<std::string> key;

    bool fail(const std::string& message) {
        error = fileName + ":" + std::to_string(line) + ": " + message;
        return false;
    }

    // A quoted string starting at s[i] == '"'; i ends after the closing quote.
    bool quotedText(const std::string& s, size_t& i, std::string& out) {
        ++i;
        out.clear();
        while (i < s.size() && s[i] != '"') {
            if (s[i] == '\\') {
                if (i + 1 >= s.size()) break;
                ++i;
            }
            out += s[i++];
        }
        if (i >= s.size()) return fail("a quoted text is not closed");
        ++i;
        return true;
    }

    bool hexBytes(const std::string& s, std::vector<uint8_t>& out) {
        out.clear();
        if (trimmed(s).empty()) return true;
        size_t i = 0;
        while (i <= s.size()) {
            size_t comma = s.find(',', i);
            if (comma == std::string::npos) comma = s.size();
            std::string digits = trimmed(s.substr(i, comma - i));
            if (digits.empty() || digits.size() > 2 ||
                digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                return fail("\"" + digits + "\" is not a hexadecimal byte");
            }
            out.push_back(static_cast<uint8_t>(std::stoul(digits, nullptr, 16)));
            i = comma + 1;
        }
        return true;
    }

    bool keyLine(const std::string& s) {
        if (s.back() != ']') return fail("a key line must end with \"]\"");
        std::string path = s.substr(1, s.size() - 2);
        bool remove = !path.empty() && path[0] == '-';
        if (remove) path.erase(0, 1);
        std::string root = path.substr(0, path.find('\\'));
        if (foldName(root) != rootName) {
            return fail("only keys below " + std::string(rootName) + " are read by the menu, not " +
                        root);
        }
        std::string below = root.size() < path.size() ? path.substr(root.size() + 1) : "";
        if (remove) {
            deleteRegistryKey(below);
            key.reset();
        } else {
            key = below;
            createRegistryKey(below);
        }
        return true;
    }

    bool valueLine(const std::string& s) {
        if (!key)
            return fail("a value needs a key line before it, and not one that deletes its key");
        size_t i = 0;
        std::string name;
        if (s[0] == '@') {
            i = 1;
        } else if (!quotedText(s, i, name)) {
            return false;
        }
        while (i < s.size() && s[i] == ' ') ++i;
        if (i >= s.size() || s[i] != '=') return fail("\"=\" expected after the value name");
        std::string data = trimmed(s.substr(i + 1));
        if (data == "-") {
            deleteRegistryValue(*key, name);
            return true;
        }
        if (!data.empty() && data[0] == '"') {
            size_t j = 0;
            std::string text;
            if (!quotedText(data, j, text)) return false;
            if (!trimmed(data.substr(j)).empty()) return fail("text after the closing quote");
            setRegistryString(*key, name, text);
            return true;
        }
        std::string lower = data;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower.rfind("dword:", 0) == 0) {
            std::string digits = trimmed(data.substr(6));
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                return fail("dword: needs up to 8 hexadecimal digits");
            }
            uint32_t v = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
            setRegistryValue(*key, name, regDword,
                             {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
            return true;
        }
        if (lower.rfind("hex", 0) == 0) {
            uint32_t type = regBinary;
            size_t colon = lower.find(':');
            if (colon == std::string::npos) return fail("hex values need a \":\"");
            std::string kind = lower.substr(3, colon - 3);
            if (!kind.empty()) {
                if (kind.size() < 3 || kind.size() > 10 || kind.front() != '(' ||
                    kind.back() != ')' ||
                    kind.find_first_not_of("0123456789abcdef", 1) != kind.size() - 1) {
                    return fail("\"hex" + kind + "\" is not a value type");
                }
                type =
                    static_cast<uint32_t>(std::stoul(kind.substr(1, kind.size() - 2), nullptr, 16));
            }
            std::vector<uint8_t> bytes;
            if (!hexBytes(data.substr(colon + 1), bytes)) return false;
            // Text types are stored as UTF-16 in version 5 files and in the code page in
            // REGEDIT4 files; they are kept as UTF-8.
            if (type == regSz || type == regExpandSz || type == regMultiSz) {
                std::string text = unicode ? fromUtf16(bytes.data(), bytes.size())
                                           : fromCodePage(std::string(bytes.begin(), bytes.end()));
                bytes.assign(text.begin(), text.end());
            }
            setRegistryValue(*key, name, type, bytes);
            return true;
        }
        return fail("\"" + data + "\" is not a registry value (\"text\", dword:, hex: or hex(N):)");
    }
};

}  // namespace

bool parseRegFile(const std::string& content, const std::string& fileName, std::string& error) {
    std::string text = decode(content);
    Parser parser;
    parser.fileName = fileName;
    bool sawHeader = false;
    size_t i = 0;
    std::string pending;
    int pendingStart = 0;
    while (i <= text.size()) {
        size_t end = text.find_first_of("\r\n", i);
        if (end == std::string::npos) end = text.size();
        std::string raw = text.substr(i, end - i);
        ++parser.line;
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        i = end + 1;
        std::string line = trimmed(raw);
        // Long hex values continue on the next line after a backslash; comments and key lines
        // never do.
        if (!pending.empty()) {
            pending += line;
        } else {
            pending = line;
            pendingStart = parser.line;
        }
        if (!pending.empty() && pending.back() == '\\' && pending.find('=') != std::string::npos &&
            (pending[0] == '"' || pending[0] == '@')) {
            pending.pop_back();
            if (i <= text.size()) continue;
        }
        line = pending;
        pending.clear();
        int thisLine = parser.line;
        parser.line = pendingStart;
        bool ok = true;
        if (line.empty() || line[0] == ';') {
            ok = true;
        } else if (!sawHeader) {
            if (line == "REGEDIT4") {
                sawHeader = true;
            } else if (line == "Windows Registry Editor Version 5.00") {
                sawHeader = true;
                parser.unicode = true;
            } else {
                ok = parser.fail(
                    "not a registry file: the first line must be REGEDIT4 or "
                    "\"Windows Registry Editor Version 5.00\"");
            }
        } else if (line[0] == '[') {
            ok = parser.keyLine(line);
        } else if (line[0] == '"' || line[0] == '@') {
            ok = parser.valueLine(line);
        } else {
            ok = parser.fail("\"" + line + "\" is neither a key line nor a value line");
        }
        parser.line = thisLine;
        if (!ok) {
            error = parser.error;
            return false;
        }
    }
    if (!sawHeader) {
        error = fileName + ":1: not a registry file: it is empty";
        return false;
    }
    return true;
}

}  // namespace autorun::sim
