// Subprocess plumbing for the tool tests: fork, exec and files for the three standard streams.
#include "tests/tools/tool_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace autorun::testing {

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace

std::vector<std::string> ToolRun::lines() const {
    std::vector<std::string> result;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) result.push_back(line);
    return result;
}

ToolRun runTool(const std::vector<std::string>& arguments, const std::string& input,
                const std::string& directory) {
    char pattern[] = "/tmp/autorun-tool-XXXXXX";
    std::string scratch = mkdtemp(pattern);
    std::string inPath = scratch + "/in", outPath = scratch + "/out", errPath = scratch + "/err";
    std::ofstream(inPath, std::ios::binary) << input;

    std::vector<std::string> argv = {AUTORUN_SIM_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);

    ToolRun result;
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        int in = open(inPath.c_str(), O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0) _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    std::remove(inPath.c_str());
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    rmdir(scratch.c_str());
    return result;
}

ToolRun ToolTest::run(const std::vector<std::string>& commandAndArguments,
                      const std::vector<std::string>& options, const std::string& input,
                      const std::string& directory) {
    std::vector<std::string> arguments = {"--dir", folder};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), commandAndArguments.begin(), commandAndArguments.end());
    return runTool(arguments, input, directory);
}

}  // namespace autorun::testing
