// The two encodings of autorun.ini: bytes of the machine's ANSI code page, or UTF-8 after a
// byte-order mark. Names fold in the file's encoding; texts leave for the system as UTF-8.
#pragma once

#include <cstdint>

#include "config/text_string.h"

namespace autorun {

enum class TextEncoding { ansi, utf8 };

// The encoding the menu's file is read in, which the folding of every name follows; set when
// the file is loaded.
TextEncoding textEncoding();
void setTextEncoding(TextEncoding encoding);

// The three bytes that open a UTF-8 file.
constexpr int32_t byteOrderMarkSize = 3;
bool startsWithByteOrderMark(const char* text, int32_t length);

// The length of the valid UTF-8 sequence that starts at i of the n bytes at t (1 for an ASCII
// byte); 0 for none: a stray continuation byte, an overlong form, a surrogate, a code point past
// U+10FFFF, or a sequence cut short. A UTF-8 file shows each byte of none as U+FFFD.
int32_t utf8SequenceAt(const char* t, int32_t i, int32_t n);

// Whether a text of the file reads differently on a machine of another code page: the file is
// 8-bit and the text holds a byte beyond ASCII.
bool dependsOnCodePage(const char* text);

// The byte at i of the n bytes at t as names compare in a UTF-8 file (an 8-bit file folds by
// fold()): the letters a-z, the Latin-1 small letters U+00E0 to U+00FE but U+00F7 and the
// Cyrillic U+0430 to U+044F become their capitals. The fold keeps the length of the text.
unsigned char foldedUtf8At(const char* t, int32_t i, int32_t n);

// A text of the file as the system takes it, in UTF-8: converted from the ANSI code page, or,
// in a UTF-8 file, with every byte that is no part of a valid sequence shown as U+FFFD.
String systemText(const char* text);

}  // namespace autorun
