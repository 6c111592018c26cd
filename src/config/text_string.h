// The menu's own 8-bit text value and the helpers that match, trim and tokenise NUL-terminated
// texts.
#pragma once

#include <cstdint>

namespace autorun {

// An owned, counted byte string. An empty String owns no storage and its text is null.
class String {
  public:
    constexpr String() = default;
    String(const char* text);
    String(const String& other);
    virtual ~String();

    String& operator=(const char* text) { return assign(text); }
    String& operator=(const String& other) { return assign(other); }

    // Copies the text before the old storage is released, so the text may lie inside this String.
    String& assign(const char* text);
    String& assign(const String& other);
    // A copy of the n bytes at text followed by a NUL; text may lie inside this String.
    String& assignBytes(const char* text, int32_t n);

    char* text() const { return storage_; }
    int32_t length() const { return length_; }

    // How many times storage could not be obtained; a failed copy leaves the String empty.
    static uint32_t allocationFailures();

  private:
    int32_t length_ = 0;
    char* storage_ = nullptr;
};

// A byte from 0x00 to 0x20: the control characters and the space.
inline bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// Folds a..z and the cp1251 small letters 0xE0..0xFF of an 8-bit text to their capitals;
// other bytes stay.
inline unsigned char fold(char c) {
    unsigned char b = static_cast<unsigned char>(c);
    return (b >= 0x61 && b <= 0x7A) || b >= 0xE0 ? static_cast<unsigned char>(b - 32) : b;
}

// Bytes of t including its NUL; 0 for a null text.
int32_t textSize(const char* t);
// a's characters followed by t's, in a scratch String that the next call of this form overwrites.
const String& concat(const String& a, const char* t);
// a's characters followed by b's, in a scratch String of its own.
const String& concat(const String& a, const String& b);
// Same length and every byte equal after folding in the file's encoding (fold, or
// foldedUtf8At in a UTF-8 file).
bool equals(const String& s, const char* t);
// Index of the first byte equal to c, or -1.
int32_t findChar(char c, const char* t);
// Index of the first occurrence of needle in haystack, folded as equals folds, or -1.
int32_t find(const char* needle, const char* haystack);
// Removes blanks from both ends in place and returns t.
char* trim(char* t);
// Trims t in place, then counts the maximal runs of bytes other than sep.
int32_t wordCount(char sep, char* t);
// Ends the item at its first "|" by storing a NUL there and returns the text after it, or null
// when the item is the last one; the lists of commands and of rules are cut this way.
char* cutItem(char* item);
// Writes value in decimal, without sign or leading zeros, and a NUL into out (11 bytes or more).
void decimalText(uint32_t value, char* out);
// Assigns every maximal run of bytes other than sep to out[0], out[1], ...
void split(String* out, char sep, const char* t);
// The words of a command or rule item: trims item, counts its words at spaces and splits it
// into a new[] array of that many Strings; null when it has no word or no memory is left.
String* itemWords(char* item, int32_t& wordTotal);

}  // namespace autorun
