// The file's encoding: how names fold in it and how its texts become the system's UTF-8.
#include "config/text_encoding.h"

#include <cstring>
#include <new>

#include "platform/text.h"

namespace autorun {

namespace {

TextEncoding current = TextEncoding::ansi;

unsigned char byteAt(const char* t, int32_t i) {
    return static_cast<unsigned char>(t[i]);
}

}  // namespace

int32_t utf8SequenceAt(const char* t, int32_t i, int32_t n) {
    unsigned char lead = byteAt(t, i);
    if (lead < 0x80) return 1;
    int32_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > n) return 0;
    for (int32_t k = 1; k < length; ++k) {
        unsigned char b = byteAt(t, i + k);
        if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

TextEncoding textEncoding() {
    return current;
}

void setTextEncoding(TextEncoding encoding) {
    current = encoding;
}

bool startsWithByteOrderMark(const char* text, int32_t length) {
    return text != nullptr && length >= byteOrderMarkSize && byteAt(text, 0) == 0xEF &&
           byteAt(text, 1) == 0xBB && byteAt(text, 2) == 0xBF;
}

unsigned char foldedUtf8At(const char* t, int32_t i, int32_t n) {
    unsigned char b = byteAt(t, i);
    if (b < 0x80) return fold(t[i]);
    // U+0440 to U+044F (D1 80..8F) fold to U+0420 to U+042F (D0 A0..AF): both bytes change.
    if (b == 0xD1) {
        unsigned char next = i + 1 < n ? byteAt(t, i + 1) : 0;
        return next >= 0x80 && next <= 0x8F ? 0xD0 : b;
    }
    unsigned char lead = i > 0 ? byteAt(t, i - 1) : 0;
    if (lead == 0xC3 && b >= 0xA0 && b <= 0xBE && b != 0xB7) return b - 0x20;
    if (lead == 0xD0 && b >= 0xB0 && b <= 0xBF) return b - 0x20;
    if (lead == 0xD1 && b >= 0x80 && b <= 0x8F) return b + 0x20;
    return b;
}

bool dependsOnCodePage(const char* text) {
    if (current != TextEncoding::ansi || text == nullptr) return false;
    // ASCII is itself in every ANSI code page.
    for (int32_t i = 0; text[i] != '\0'; ++i) {
        if (byteAt(text, i) >= 0x80) return true;
    }
    return false;
}

String systemText(const char* text) {
    int32_t n = textSize(text) - 1;
    if (n <= 0) return String();
    // ASCII is itself in UTF-8 and in every ANSI code page.
    int32_t ascii = 0;
    while (ascii < n && byteAt(text, ascii) < 0x80) ++ascii;
    if (ascii == n) return String(text);
    if (current == TextEncoding::ansi) {
        char* converted = platform::ansiToUtf8(text, n);
        String result(converted);
        delete[] converted;
        return result;
    }
    // Each byte becomes at most the three bytes of U+FFFD.
    char* out = new (std::nothrow) char[static_cast<uint32_t>(n) * 3 + 1];
    if (out == nullptr) return String();
    int32_t length = 0;
    for (int32_t i = 0; i < n;) {
        int32_t valid = utf8SequenceAt(text, i, n);
        if (valid > 0) {
            std::memcpy(out + length, text + i, static_cast<size_t>(valid));
            length += valid;
            i += valid;
        } else {
            std::memcpy(out + length, "\xEF\xBF\xBD", 3);
            length += 3;
            ++i;
        }
    }
    out[length] = '\0';
    String result(out);
    delete[] out;
    return result;
}

}  // namespace autorun
