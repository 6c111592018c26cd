// String storage and the text helpers; every scan stops at the text's NUL.
#include "config/text_string.h"

#include "config/text_encoding.h"

#include <cstring>
#include <new>

namespace autorun {

namespace {

uint32_t failures = 0;

// Storage for n bytes, or null (counted as a failure) when it cannot be had.
char* allocateBytes(int64_t n) {
    char* p = n > 0 && n <= INT32_MAX ? new (std::nothrow) char[static_cast<size_t>(n)] : nullptr;
    if (p == nullptr) ++failures;
    return p;
}

int32_t characterCount(const char* t) {
    return t == nullptr ? 0 : static_cast<int32_t>(std::strlen(t));
}

// The fold of names in the file's encoding, looked up once for a whole comparison: an 8-bit text
// folds byte by byte, as fast as the bytes can be read.
unsigned char folded(const char* t, int32_t i, int32_t n, bool utf8) {
    return utf8 ? foldedUtf8At(t, i, n) : fold(t[i]);
}

// The scratch results of the two concat forms, alive until process exit.
String textScratch;
String stringScratch;

}  // namespace

uint32_t String::allocationFailures() {
    return failures;
}

String::String(const char* text) {
    assign(text);
}

String::String(const String& other) {
    assign(other);
}

String::~String() {
    delete[] storage_;
}

String& String::assign(const char* text) {
    return assignBytes(text, characterCount(text));
}

String& String::assign(const String& other) {
    return assignBytes(other.storage_, other.length_);
}

String& String::assignBytes(const char* text, int32_t n) {
    char* copy = nullptr;
    if (n > 0) {
        copy = allocateBytes(int64_t{n} + 1);
        if (copy == nullptr) {
            n = 0;
        } else {
            std::memcpy(copy, text, static_cast<size_t>(n));
            copy[n] = '\0';
        }
    } else {
        n = 0;
    }
    delete[] storage_;
    storage_ = copy;
    length_ = n;
    return *this;
}

int32_t textSize(const char* t) {
    return t == nullptr ? 0 : characterCount(t) + 1;
}

const String& concat(const String& a, const char* t) {
    // A null text contributes no characters, but the terminator still needs its byte.
    int64_t size = int64_t{a.length()} + (t != nullptr ? textSize(t) : 1);
    char* buffer = allocateBytes(size);
    if (buffer == nullptr) {
        textScratch.assign("");
        return textScratch;
    }
    if (a.length() > 0) std::memcpy(buffer, a.text(), static_cast<size_t>(a.length()));
    if (t != nullptr)
        std::memcpy(buffer + a.length(), t, static_cast<size_t>(textSize(t)));
    else
        buffer[a.length()] = '\0';
    textScratch.assign(buffer);
    delete[] buffer;
    return textScratch;
}

const String& concat(const String& a, const String& b) {
    char* buffer = allocateBytes(int64_t{a.length()} + b.length() + 1);
    if (buffer == nullptr) {
        stringScratch.assign("");
        return stringScratch;
    }
    if (a.length() > 0) std::memcpy(buffer, a.text(), static_cast<size_t>(a.length()));
    if (b.length() > 0) std::memcpy(buffer + a.length(), b.text(), static_cast<size_t>(b.length()));
    buffer[a.length() + b.length()] = '\0';
    stringScratch.assign(buffer);
    delete[] buffer;
    return stringScratch;
}

bool equals(const String& s, const char* t) {
    bool utf8 = textEncoding() == TextEncoding::utf8;
    int32_t n = characterCount(t);
    if (s.length() != n) return false;
    for (int32_t i = 0; i < n; ++i) {
        if (folded(s.text(), i, n, utf8) != folded(t, i, n, utf8)) return false;
    }
    return true;
}

int32_t findChar(char c, const char* t) {
    if (t == nullptr) return -1;
    for (int32_t i = 0; t[i] != '\0'; ++i) {
        if (t[i] == c) return i;
    }
    return -1;
}

int32_t find(const char* needle, const char* haystack) {
    if (haystack == nullptr) return -1;
    bool utf8 = textEncoding() == TextEncoding::utf8;
    int32_t n = characterCount(needle);
    int32_t h = characterCount(haystack);
    if (n == 0 || n > h) return -1;
    for (int32_t i = 0; i <= h - n; ++i) {
        int32_t k = 0;
        while (k < n && folded(needle, k, n, utf8) == folded(haystack, i + k, h, utf8)) ++k;
        if (k == n) return i;
    }
    return -1;
}

char* trim(char* t) {
    int32_t length = characterCount(t);
    if (length == 0) return t;
    int32_t start = 0;
    while (start < length && isBlank(t[start])) ++start;
    int32_t end = length - 1;
    while (end >= start && isBlank(t[end])) --end;
    int32_t kept = end - start + 1;
    // Moving within the one buffer does what a temporary copy would, without the allocation.
    if (kept > 0) std::memmove(t, t + start, static_cast<size_t>(kept));
    std::memset(t + kept, 0, static_cast<size_t>(length - kept) + 1);
    return t;
}

int32_t wordCount(char sep, char* t) {
    trim(t);
    if (t == nullptr) return 0;
    int32_t words = 0;
    bool inside = false;
    for (const char* p = t; *p != '\0'; ++p) {
        if (*p == sep) {
            inside = false;
        } else if (!inside) {
            inside = true;
            ++words;
        }
    }
    return words;
}

char* cutItem(char* item) {
    int32_t bar = find("|", item);
    if (bar < 0) return nullptr;
    item[bar] = '\0';
    return item + bar + 1;
}

void decimalText(uint32_t value, char* out) {
    char digits[10];
    int32_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int32_t i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
    out[n] = '\0';
}

void split(String* out, char sep, const char* t) {
    if (t == nullptr) return;
    char* word = allocateBytes(textSize(t));
    if (word == nullptr) return;
    int32_t open = 0;
    bool inside = false;
    int32_t next = 0;
    for (const char* p = t;; ++p) {
        if (*p != sep && *p != '\0') {
            word[open++] = *p;
            inside = true;
        } else if (inside) {
            word[open] = '\0';
            out[next++].assign(word);
            open = 0;
            inside = false;
        }
        if (*p == '\0') break;
    }
    delete[] word;
}

String* itemWords(char* item, int32_t& wordTotal) {
    wordTotal = wordCount(' ', item);
    if (wordTotal == 0) return nullptr;
    String* words = new (std::nothrow) String[wordTotal];
    if (words != nullptr) split(words, ' ', item);
    return words;
}

}  // namespace autorun
