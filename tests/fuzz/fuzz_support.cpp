// Shared set-up of the fuzz targets.
#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/sim/sim.h"

namespace autorun::fuzzing {

const std::string& scratchFolder() {
    static const std::string folder = [] {
        std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string path = base + "/autorun-fuzz-" + std::to_string(getpid());
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

void writeScratchFile(const std::string& name, const uint8_t* data, size_t size) {
    std::string path = scratchFolder() + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

void writeScratchFile(const std::string& name, const std::string& content) {
    writeScratchFile(name, reinterpret_cast<const uint8_t*>(content.data()), content.size());
}

void freshMachine() {
    sim::reset();
    sim::setCurrentDirectory("C:\\menu");
    sim::mapFolder(scratchFolder());
    sim::setWaitSlices(1);
}

}  // namespace autorun::fuzzing
