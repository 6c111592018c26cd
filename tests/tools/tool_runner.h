// Runs autorun-sim as a subprocess for the tool tests, with a menu folder of its own.
#pragma once

#include <string>
#include <vector>

#include "tests/support/sim_fixture.h"

namespace autorun::testing {

struct ToolRun {
    int status = -1;  // the exit code, or -1 when the tool did not exit normally
    std::string out;
    std::string err;
    std::vector<std::string> lines() const;  // out, split at line ends
};

// Runs autorun-sim with arguments, standard input from input, in directory (empty: this
// process's current directory).
ToolRun runTool(const std::vector<std::string>& arguments, const std::string& input = "",
                const std::string& directory = "");

// A menu folder (from SimTest) and the tool pointed at it.
class ToolTest : public SimTest {
  protected:
    // autorun-sim --dir FOLDER [options] command [arguments]
    ToolRun run(const std::vector<std::string>& commandAndArguments,
                const std::vector<std::string>& options = {}, const std::string& input = "",
                const std::string& directory = "");
    std::string path(const std::string& relative) const { return folder + "/" + relative; }
};

}  // namespace autorun::testing
