// autorun-sim run as menu authors run it: query and aliases, their output and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/worked_example.h"

namespace {

using autorun::testing::WorkedAnswer;
using autorun::testing::workedExampleAnswers;
using autorun::testing::workedExampleLines;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Tool : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/autorun-tool-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    void write(const std::string& name, const std::string& content) {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
    }

    Outcome run(const std::vector<std::string>& args) {
        std::string command = shellQuoted(AUTORUN_SIM_PATH);
        for (const std::string& arg : args) command += " " + shellQuoted(arg);
        std::string errPath = dir + "/.stderr";
        command += " 2>" + shellQuoted(errPath);
        Outcome result;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return result;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
        int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = readAll(errPath);
        return result;
    }

    Outcome query(const std::string& section, const std::string& key) {
        return run({"--dir", dir, "query", section, key});
    }

    std::string dir;
};

const auto& workedIni = workedExampleLines;
using Row = WorkedAnswer;
const auto& workedRows = workedExampleAnswers;

TEST_F(Tool, QueryAnswersEveryRowInEveryLineEndStyle) {
    for (const char* end : {"\r\n", "\n", "\r"}) {
        std::string ini;
        for (const char* line : workedIni) ini += std::string(line) + end;
        write("autorun.ini", ini);
        for (const Row& row : workedRows) {
            Outcome r = query(row.section, row.key);
            EXPECT_EQ(r.status, 0) << row.section << " " << row.key;
            EXPECT_EQ(r.out, std::string(row.value) + "\n") << row.section << " " << row.key;
            EXPECT_EQ(r.err, "");
        }
    }
}

TEST_F(Tool, QueryFurtherEdges) {
    write("autorun.ini", "; see [Button2]\r\n[Button2]\r\nTop=5\r\n[Main]Buttons=3\r\n");
    EXPECT_EQ(query("Button2", "Top").out, "\n");
    EXPECT_EQ(query("Main", "Buttons").out, "3\n");
    write("autorun.ini", std::string("[Main]\r\nA=1\r\n\0B=2\r\n", 19));
    EXPECT_EQ(query("Main", "A").out, "1\n");
    EXPECT_EQ(query("Main", "B").out, "\n");
    write("autorun.ini", "[M]\r\nV=\xC0\xFF\t\r\n");
    EXPECT_EQ(query("m", "v").out, "\xC0\xFF\n");
}

TEST_F(Tool, QueryWithoutAutorunIniPrintsAnEmptyLine) {
    Outcome r = query("Main", "AppName");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n");
}

TEST_F(Tool, QueryFollowsTheCurrentDirectoryText) {
    write("autorun.ini", "[Main]\r\nAppName=Menu\r\n");
    for (const char* cwd : {"D:\\", "E:\\disc\\menu", "C:/menu/"}) {
        EXPECT_EQ(run({"--dir", dir, "--cwd", cwd, "query", "Main", "AppName"}).out, "Menu\n");
        EXPECT_EQ(
            run({"--dir=" + dir, std::string("--cwd=") + cwd, "query", "Main", "AppName"}).out,
            "Menu\n");
    }
}

TEST_F(Tool, HelpGoesToStandardOutput) {
    Outcome r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("query SECTION KEY"), std::string::npos);
    EXPECT_NE(r.out.find("aliases"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

struct Usage {
    const char* label;
    std::vector<std::string> args;
    const char* mentions;
};

void PrintTo(const Usage& u, std::ostream* out) {
    *out << u.label;
}

class UsageError : public Tool, public ::testing::WithParamInterface<Usage> {};

TEST_P(UsageError, ExitsTwoWithOneLine) {
    const Usage& u = GetParam();
    write("plain.txt", "not a folder");
    std::vector<std::string> args;
    for (const std::string& a : u.args) {
        args.push_back(a == "DIR" ? dir : a == "FILE" ? dir + "/plain.txt" : a);
    }
    Outcome r = run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("autorun-sim: ", 0), 0u) << r.err;
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find(u.mentions), std::string::npos) << r.err;
}

const Usage usages[] = {
    {"NoCommand", {}, "no command"},
    {"OnlyOptions", {"--dir", "DIR"}, "no command"},
    {"QueryWithoutArguments", {"--dir", "DIR", "query"}, "SECTION KEY"},
    {"QueryWithOneArgument", {"--dir", "DIR", "query", "Main"}, "SECTION KEY"},
    {"QueryWithThreeArguments", {"--dir", "DIR", "query", "a", "b", "c"}, "SECTION KEY"},
    {"OptionWithoutValue", {"--dir"}, "--dir"},
    {"UnknownOption", {"--colour", "x", "query", "a", "b"}, "--colour"},
    {"UnknownCommand", {"--dir", "DIR", "frobnicate"}, "frobnicate"},
    {"MissingDir",
     {"--dir", "/nonexistent/autorun-menu", "query", "Main", "AppName"},
     "/nonexistent/autorun-menu"},
    {"DirIsAFile", {"--dir", "FILE", "query", "Main", "AppName"}, "plain.txt"},
    {"EmptyCurrentDirectory", {"--dir", "DIR", "--cwd", "", "query", "a", "b"}, "--cwd"},
    {"AliasesWithAnArgument", {"--dir", "DIR", "aliases", "extra"}, "aliases"},
    {"AliasesInAMissingDir",
     {"--dir", "/nonexistent/autorun-menu", "aliases"},
     "/nonexistent/autorun-menu"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, UsageError, ::testing::ValuesIn(usages),
                         [](const ::testing::TestParamInfo<Usage>& info) {
                             return std::string(info.param.label);
                         });

TEST_F(Tool, AliasesPrintTheWorkedExample) {
    write("autorun.ini",
          "[Registry]\r\n"
          "; folders of installed programs\r\n"
          "Viewer = ExampleSoft\\Viewer\\Path\r\n"
          "Reader=ExampleSoft\\Reader\\\r\n"
          "Lang = Language\r\n"
          "Tools\r\n");
    write("user.reg",
          "REGEDIT4\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software\\ExampleSoft\\Viewer]\r\n"
          "\"Path\"=\"C:\\\\Viewer\\\\view.exe\"\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software\\ExampleSoft\\Reader]\r\n"
          "@=\"C:\\\\Reader\"\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software]\r\n"
          "\"Language\"=\"en\"\r\n");
    Outcome r = run({"--dir", dir, "--registry", dir + "/user.reg", "aliases"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\t\nViewer\tC:\\Viewer\\view.exe\nReader\tC:\\Reader\nLang\ten\nTools\t\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Tool, AliasesPrintTheEdgeTable) {
    write("autorun.ini",
          "[Registry]\r\n"
          "Root = Vendor\\App\\\r\n"
          "Flat = Version\r\n"
          "Slash = A/B\r\n"
          "Empty =\r\n"
          "Name = Vendor\\App\\Key = Alt\r\n"
          " ; note = Vendor\\X\r\n"
          "Tools\r\n"
          "; old = Vendor\\Old\r\n"
          "Number = Vendor\\Num\r\n"
          "Data = Vendor[2]\\Path\r\n"
          "Later = Version\r\n");
    write("user.reg",
          "Windows Registry Editor Version 5.00\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software]\r\n"
          "@=\"software default\"\r\n"
          "\"Version\"=\"2.1\"\r\n"
          "\"A/B\"=\"slashed\"\r\n"
          "\"Vendor\"=\"cut\"\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software\\Vendor]\r\n"
          "\"X\"=\"x value\"\r\n"
          "\"Old\"=\"old value\"\r\n"
          "\"Num\"=dword:00000041\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software\\Vendor\\App]\r\n"
          "@=\"app default\"\r\n"
          "\"Key = Alt\"=\"alternative\"\r\n");
    Outcome r = run({"--dir", dir, "--registry", dir + "/user.reg", "aliases"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Root\tapp default\n"
              "Flat\t2.1\n"
              "Slash\tslashed\n"
              "Empty\tsoftware default\n"
              "Name\talternative\n"
              "; note\tx value\n"
              "Tools\t\n"
              "\t\n"
              "Number\tA\n"
              "Data\tcut\n");
}

TEST_F(Tool, AliasesWithoutTheSectionPrintNothing) {
    write("autorun.ini", "[Main]\r\nAppName=Menu\r\n");
    Outcome r = run({"--dir", dir, "aliases"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(Tool, UnreadableRegistryFileExitsTwo) {
    write("autorun.ini", "[Registry]\r\nLang = Language\r\n");
    Outcome r = run({"--dir", dir, "--registry", dir + "/missing.reg", "aliases"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("missing.reg"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

TEST_F(Tool, MalformedRegistryFileExitsTwoNamingTheLine) {
    write("autorun.ini", "[Registry]\r\nLang = Language\r\n");
    write("bad.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software]\r\n\"Language\"=dword:xyz\r\n");
    Outcome r = run({"--dir", dir, "--registry", dir + "/bad.reg", "aliases"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("bad.reg:3: "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
}

}  // namespace
