// The simulated-machine fixture: a temporary folder per test, removed afterwards.
#include "tests/support/sim_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace autorun::testing {

void SimTest::SetUp() {
    sim::reset();
    char pattern[] = "/tmp/autorun-test-XXXXXX";
    char* made = mkdtemp(pattern);
    ASSERT_NE(made, nullptr);
    folder = made;
    sim::mapFolder(folder);
}

void SimTest::TearDown() {
    app.reset();
    sim::reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void SimTest::writeFile(const std::string& relativePath, const std::string& content) {
    std::filesystem::path path = std::filesystem::path(folder) / relativePath;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
}

Application& SimTest::start() {
    app.reset();
    app = std::make_unique<Application>();
    return *app;
}

std::vector<std::string> SimTest::traced(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : sim::trace()) {
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
}

}  // namespace autorun::testing
