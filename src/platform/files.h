// The process's current directory and binary reading of whole files.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace autorun::platform {

enum class SeekFrom { start, end };

// The current directory in UTF-8, as GetCurrentDirectory counts: bytes written (NUL not
// counted) when the text fits into size bytes, otherwise the size needed including the NUL; 0
// when the directory cannot be obtained.
uint32_t getCurrentDirectory(uint32_t size, char* buffer);
// Opens path (UTF-8) for untranslated binary reading (fopen "rb"); null when it cannot be
// opened.
FileHandle openFile(const char* path);
// Reads up to count bytes into buffer and returns how many arrived.
uint32_t readFile(FileHandle file, void* buffer, uint32_t count);
// Moves the position to offset bytes from the start or the end; false when it cannot.
bool seekFile(FileHandle file, int32_t offset, SeekFrom from);
// The current position in bytes from the start, or -1.
int32_t tellFile(FileHandle file);
// Closes the stream.
void closeFile(FileHandle file);

}  // namespace autorun::platform
