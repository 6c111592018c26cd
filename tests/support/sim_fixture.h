// A test fixture with a fresh simulated machine and a host folder mapped as the menu's folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/application.h"
#include "platform/sim/sim.h"

namespace autorun::testing {

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file of the menu's folder (subfolders are created).
    void writeFile(const std::string& relativePath, const std::string& content);
    void writeIni(const std::string& content) { writeFile("autorun.ini", content); }
    // Builds the Application as the program does at start, from the folder as it stands.
    Application& start();
    // Trace lines that begin with prefix, in order.
    std::vector<std::string> traced(const std::string& prefix) const;

    std::string folder;
    std::unique_ptr<Application> app;
};

}  // namespace autorun::testing
