// The options autorun-sim shares between its commands, and the simulated machine they describe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace autorun::tool {

struct Options {
    std::string dir = ".";
    std::string cwd = "C:\\menu";
    std::string registry;
    int32_t screenWidth = 1024;
    int32_t screenHeight = 768;
    int32_t captionHeight = 19;
    int32_t frameWidth = 4;
    int32_t frameHeight = 4;
    int32_t waitSlices = 2;
    int32_t codePage = 1252;
    std::string command;
    std::vector<std::string> arguments;
};

// Exit code for bad usage and unreadable input.
constexpr int usageError = 2;

// Reads the command line; false with a one-line message when it is not usable.
bool parseOptions(int argc, char** argv, Options& options, std::string& error, bool& help);
// Sets the simulated machine up as the options say; false with a message when it cannot.
bool prepareMachine(const Options& options, std::string& error);
// Prints message to stderr prefixed with the program's name and returns usageError.
int fail(const std::string& message);

int runQuery(const Options& options);
int runAliases(const Options& options);
int runPlay(const Options& options);
int runCheck(const Options& options);

}  // namespace autorun::tool
