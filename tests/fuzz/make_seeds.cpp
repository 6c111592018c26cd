// Writes the fuzzers' seed corpus: pictures of every kind the reader meets, built in code, and
// the hand-written menus and registry files copied from the source tree.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/bmp_writer.h"

namespace fs = std::filesystem;
using autorun::testing::bmpFile;
using autorun::testing::BmpLayout;

namespace {

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

void pictures(const fs::path& folder) {
    fs::create_directories(folder);
    int n = 0;
    auto add = [&](BmpLayout layout) {
        write(folder / ("seed-" + std::to_string(n++) + ".bmp"), bmpFile(layout));
    };
    for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        BmpLayout layout;
        layout.width = 5;
        layout.height = 3;
        layout.bitCount = bits;
        layout.paletteEntries = bits <= 8 ? 2 : 0;
        layout.pixel = [](int32_t x, int32_t y) { return static_cast<uint32_t>(x * 0x102030 + y); };
        add(layout);
        layout.height = -3;
        add(layout);
        layout.truncateTo = 60;
        add(layout);
    }
    for (uint32_t compression : {1u, 2u, 3u}) {
        BmpLayout layout;
        layout.width = 4;
        layout.height = 2;
        layout.bitCount = compression == 3 ? 32 : (compression == 1 ? 8 : 4);
        layout.compression = compression;
        add(layout);
    }
    BmpLayout v5;
    v5.width = 3;
    v5.height = 2;
    v5.headerSize = 124;
    add(v5);
    BmpLayout core;
    core.headerSize = 12;
    add(core);
    BmpLayout noPadding;
    noPadding.width = 3;
    noPadding.height = 2;
    noPadding.trailingBytes = 2;
    add(noPadding);
}

void copySeeds(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    if (!fs::exists(from)) return;
    for (const auto& entry : fs::directory_iterator(from)) {
        fs::copy_file(entry.path(), to / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds CORPUS-FOLDER SEED-SOURCE-FOLDER\n");
        return 2;
    }
    fs::path corpus = argv[1];
    fs::path source = argv[2];
    pictures(corpus / "bmp");
    copySeeds(source / "bmp", corpus / "bmp");
    copySeeds(source / "menu", corpus / "menu");
    copySeeds(source / "reg", corpus / "reg");
    copySeeds(source / "script", corpus / "script");
    return 0;
}
