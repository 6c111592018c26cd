// Start-up of the Application: the base directory and autorun.ini read whole, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/support/sim_fixture.h"

namespace autorun::testing {
namespace {

std::string textOf(const String& s) {
    return s.text() == nullptr ? std::string() : std::string(s.text(), s.length());
}

struct BaseCase {
    const char* name;
    std::string currentDirectory;
    std::string baseDirectory;
};

void PrintTo(const BaseCase& c, std::ostream* out) {
    *out << c.name;
}

class BaseDirectory : public SimTest, public ::testing::WithParamInterface<BaseCase> {};

TEST_P(BaseDirectory, EndsInASeparatorAndHoldsAutorunIni) {
    const BaseCase& c = GetParam();
    sim::setCurrentDirectory(c.currentDirectory);
    writeIni("[Main]\r\nAppName=Found\r\n");
    Application& app = start();
    EXPECT_EQ(textOf(app.baseDirectory), c.baseDirectory);
    std::vector<std::string> opens = traced("fopen ");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].rfind(
                  "fopen name=\"" + c.baseDirectory + "autorun.ini\" mode=\"rb\" result=ok", 0),
              0u)
        << opens[0];
    app.lookup("Main", "AppName");
    EXPECT_EQ(textOf(app.currentValue), "Found");
}

const BaseCase baseCases[] = {
    {"DriveRootStays", "C:\\", "C:\\"},
    {"FolderGetsABackslash", "C:\\Menu", "C:\\Menu\\"},
    {"TrailingBackslashStays", "C:\\Menu\\", "C:\\Menu\\"},
    {"TrailingSlashStays", "D:/menu/", "D:/menu/"},
    {"ShareGetsABackslash", "\\\\server\\share", "\\\\server\\share\\"},
    {"LongestThatFitsTheFirstBuffer", "C:\\" + std::string(256, 'a'),
     "C:\\" + std::string(256, 'a') + "\\"},
    {"OneLongerThanTheFirstBuffer", "C:\\" + std::string(257, 'b'),
     "C:\\" + std::string(257, 'b') + "\\"},
    {"LongerThan260", "C:\\" + std::string(300, 'c'), "C:\\" + std::string(300, 'c') + "\\"},
    {"VeryLong", "C:\\" + std::string(5000, 'd') + "\\", "C:\\" + std::string(5000, 'd') + "\\"},
};

INSTANTIATE_TEST_SUITE_P(Rules, BaseDirectory, ::testing::ValuesIn(baseCases),
                         [](const ::testing::TestParamInfo<BaseCase>& info) {
                             return std::string(info.param.name);
                         });

class Startup : public SimTest {};

TEST_F(Startup, ADirectoryThatFitsIsReadWithOneCall) {
    sim::setCurrentDirectory("C:\\" + std::string(256, 'a'));
    start();
    EXPECT_EQ(traced("GetCurrentDirectoryA"),
              (std::vector<std::string>{"GetCurrentDirectoryA size=260 result=259"}));
}

TEST_F(Startup, ALongDirectoryIsReadWithTheSizeItNeeds) {
    sim::setCurrentDirectory("C:\\" + std::string(300, 'c'));
    start();
    EXPECT_EQ(traced("GetCurrentDirectoryA"),
              (std::vector<std::string>{"GetCurrentDirectoryA size=260 result=304",
                                        "GetCurrentDirectoryA size=304 result=303"}));
}

TEST_F(Startup, WithoutACurrentDirectoryFilesAreFoundRelativeToIt) {
    sim::setCurrentDirectory("");
    writeIni("[Main]\r\nAppName=Relative\r\n");
    Application& app = start();
    EXPECT_EQ(textOf(app.baseDirectory), ".\\");
    EXPECT_EQ(traced("fopen ").at(0).rfind("fopen name=\".\\autorun.ini\"", 0), 0u);
    app.lookup("Main", "AppName");
    EXPECT_EQ(textOf(app.currentValue), "Relative");
}

TEST_F(Startup, ReadsFromTheCurrentDirectoryOnly) {
    sim::setCurrentDirectory("E:\\elsewhere\\start");
    writeIni("[Main]\r\nAppName=Here\r\n");
    writeFile("sub/autorun.ini", "[Main]\r\nAppName=Below\r\n");
    Application& app = start();
    std::vector<std::string> opens = traced("fopen ");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].rfind("fopen name=\"E:\\elsewhere\\start\\autorun.ini\"", 0), 0u);
    app.lookup("Main", "AppName");
    EXPECT_EQ(textOf(app.currentValue), "Here");
}

TEST_F(Startup, FileNameMatchesRegardlessOfCase) {
    writeFile("AutoRun.INI", "[Main]\r\nAppName=Upper\r\n");
    Application& app = start();
    app.lookup("Main", "AppName");
    EXPECT_EQ(textOf(app.currentValue), "Upper");
}

TEST_F(Startup, MissingFileLeavesNoConfiguration) {
    Application& app = start();
    EXPECT_EQ(app.configText, nullptr);
    EXPECT_EQ(app.buttons, nullptr);
    EXPECT_EQ(app.buttonCount, 0u);
    EXPECT_EQ(app.windowProcedure, &windowProc);
    std::vector<std::string> opens = traced("fopen ");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_NE(opens[0].find("result=none"), std::string::npos);
    EXPECT_TRUE(traced("fclose").empty());
}

TEST_F(Startup, EmptyFileIsOneNul) {
    writeIni("");
    Application& app = start();
    ASSERT_NE(app.configText, nullptr);
    EXPECT_EQ(app.configText[0], '\0');
    app.lookup("Main", "AppName");
    EXPECT_EQ(app.currentValue.text(), nullptr);
    EXPECT_EQ(traced("fclose").size(), 1u);
}

TEST_F(Startup, BytesAreKeptExactly) {
    std::string content =
        "[Main]\r\nA=1\rB=2\nC=3\n\r\x1A\x1A"
        "D=\x80\xFF\r\n";
    content += std::string(1, '\0') + "after the NUL\r\n";
    // Long enough that no 16-bit size or fixed buffer could hold it.
    for (int i = 0; i < 100000; ++i) content += static_cast<char>((i * 131 + 7) % 256);
    writeIni(content);
    Application& app = start();
    ASSERT_NE(app.configText, nullptr);
    EXPECT_EQ(std::memcmp(app.configText, content.data(), content.size()), 0);
    EXPECT_EQ(app.configText[content.size()], '\0');
    app.lookup("Main", "D");
    EXPECT_EQ(textOf(app.currentValue), "\x80\xFF");
    app.lookup("Main", "C");
    EXPECT_EQ(textOf(app.currentValue), "3");
}

TEST_F(Startup, FileSizeLeavesThePositionAlone) {
    writeFile("data.bin", "0123456789");
    writeFile("empty.bin", "");
    FileHandle file = platform::openFile("C:\\menu\\data.bin");
    ASSERT_NE(file, nullptr);
    char bytes[3] = {};
    ASSERT_EQ(platform::readFile(file, bytes, 3), 3u);
    EXPECT_EQ(fileSize(file), 10);
    EXPECT_EQ(platform::tellFile(file), 3);
    ASSERT_EQ(platform::readFile(file, bytes, 1), 1u);
    EXPECT_EQ(bytes[0], '3');
    platform::closeFile(file);

    FileHandle empty = platform::openFile("empty.bin");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(fileSize(empty), 0);
    EXPECT_EQ(platform::tellFile(empty), 0);
    platform::closeFile(empty);

    EXPECT_EQ(fileSize(nullptr), 0);
}

}  // namespace
}  // namespace autorun::testing
