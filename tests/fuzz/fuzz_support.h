// Shared set-up of the fuzz targets: a scratch folder on tmpfs mapped as the menu's folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace autorun::fuzzing {

// The host folder, created once per process.
const std::string& scratchFolder();
// Writes bytes to a file of the scratch folder.
void writeScratchFile(const std::string& name, const uint8_t* data, size_t size);
void writeScratchFile(const std::string& name, const std::string& content);
// A fresh simulated machine with the scratch folder as C:\menu.
void freshMachine();

}  // namespace autorun::fuzzing
