// Texts of the menu in the JSON the designer API hands out.
#pragma once

#include <cstdio>
#include <string>

namespace autorun::tool {

// text as a JSON string. Bytes from 0x80 up stay as they are: every text handed to the page is
// UTF-8.
inline std::string jsonText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        unsigned char b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace autorun::tool
