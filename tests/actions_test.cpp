// The commands of a button's Action value: RUN, SHELL, REINIT and CLOSE on the simulated machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "buttons/menu_button.h"
#include "tests/support/menu_fixture.h"

namespace autorun::testing {
namespace {

const char* const viewerKey = "Software\\Tools\\Viewer";

// The calls through which commands act on the world, in order.
bool isEffect(const std::string& line) {
    for (const char* prefix :
         {"CreateProcessA", "ShellExecuteA", "ShellExecuteExA", "PostMessageA"})
        if (line.rfind(prefix, 0) == 0) return true;
    return false;
}

class ActionsTest : public MenuTest {
  protected:
    void SetUp() override {
        MenuTest::SetUp();
        sim::setCurrentDirectory("D:\\Menu");
        sim::setRegistryString(viewerKey, "Path", "C:\\Programs\\Viewer\\");
    }

    // Builds the menu with action as button 1's Action and runs it as a click would.
    void runAction(const std::string& action, const std::string& moreSections = "") {
        writeIni(
            "[Main]\r\nButtons=1\r\n[Registry]\r\nViewer=Tools\\Viewer\\Path\r\n"
            "[Button1]\r\nAction=" +
            action + "\r\n" + moreSections);
        start();
        openWindow();
        app->reloadAliases();
        sim::clearTrace();
        app->runAction(0);
    }

    std::vector<std::string> effects() const {
        std::vector<std::string> lines;
        for (const std::string& line : sim::trace())
            if (isEffect(line)) lines.push_back(line);
        return lines;
    }

    std::string started(const std::string& commandLine, const std::string& directory) const {
        return "CreateProcessA cmdline=\"" + commandLine + "\" dir=" + directory +
               " flags=0x20 result=started";
    }
};

std::string dir(const std::string& text) {
    return "\"" + text + "\"";
}

struct RunRow {
    const char* item;
    const char* commandLine;
    const char* directory;  // null: none
    bool waits;
};

void PrintTo(const RunRow& row, std::ostream* os) {
    *os << '\'' << row.item << '\'';
}

class RunTable : public ActionsTest, public ::testing::WithParamInterface<RunRow> {};

TEST_P(RunTable, ResolvesCommandLineDirectoryAndWait) {
    const RunRow& row = GetParam();
    sim::setWaitSlices(2);
    runAction(row.item);
    ASSERT_EQ(sim::startedProcesses().size(), 1u);
    const sim::ProcessRecord& process = sim::startedProcesses()[0];
    EXPECT_EQ(process.commandLine, row.commandLine);
    if (row.directory == nullptr)
        EXPECT_FALSE(process.directory.has_value());
    else
        EXPECT_EQ(process.directory, std::string(row.directory));
    EXPECT_FALSE(process.throughShell);
    EXPECT_EQ(countTraced("WaitForSingleObject"), row.waits ? 3 : 0);
    EXPECT_EQ(sim::openProcessHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExample, RunTable,
    ::testing::Values(
        RunRow{"RUN setup.exe", R"(D:\Menu\setup.exe)", R"(D:\Menu)", false},
        RunRow{"RUN Tools\\setup.exe wait", R"(D:\Menu\Tools\setup.exe)", R"(D:\Menu\Tools)", true},
        RunRow{"RUN setup.exe /silent", R"(D:\Menu\setup.exe /silent)", R"(D:\Menu)", false},
        RunRow{"RUN setup.exe /s /v", R"(D:\Menu\setup.exe /s)", R"(D:\Menu)", false},
        RunRow{"RUN Viewer+bin/view.exe", R"(C:\Programs\Viewer\bin/view.exe)",
               R"(C:\Programs\Viewer\bin)", false},
        RunRow{"RUN viewer+view.exe wait", R"(C:\Programs\Viewer\view.exe)",
               R"(C:\Programs\Viewer)", true},
        RunRow{"run setup.exe", R"(D:\Menu\setup.exe)", R"(D:\Menu)", false},
        RunRow{"Run setup.exe WAIT", R"(D:\Menu\setup.exe)", R"(D:\Menu)", true},
        RunRow{"RUN setup.exe wait /s", R"(D:\Menu\setup.exe)", R"(D:\Menu)", true},
        RunRow{"  RUN    setup.exe    /s   ", R"(D:\Menu\setup.exe /s)", R"(D:\Menu)", false},
        RunRow{"RUN setup.exe\twait", "D:\\Menu\\setup.exe\twait", R"(D:\Menu)", false},
        RunRow{"RUN C:\\Tools\\x.exe", R"(D:\Menu\C:\Tools\x.exe)", R"(D:\Menu\C:\Tools)", false},
        RunRow{"RUN Missing+x.exe", "x.exe", nullptr, false},
        RunRow{"RUN my+app.exe", "app.exe", nullptr, false},
        RunRow{"RUN Viewer+a+b.exe", R"(C:\Programs\Viewer\a+b.exe)", R"(C:\Programs\Viewer)",
               false}));

struct ShellRow {
    const char* item;
    const char* file;       // null: nothing is handed to the shell
    const char* directory;  // null: none
};

void PrintTo(const ShellRow& row, std::ostream* os) {
    *os << '\'' << row.item << '\'';
}

class ShellTable : public ActionsTest, public ::testing::WithParamInterface<ShellRow> {};

TEST_P(ShellTable, HandsFileAndDirectoryToTheShell) {
    const ShellRow& row = GetParam();
    runAction(row.item);
    EXPECT_TRUE(sim::startedProcesses().empty());
    if (row.file == nullptr) {
        EXPECT_TRUE(sim::shellOpens().empty());
        return;
    }
    ASSERT_EQ(sim::shellOpens().size(), 1u);
    EXPECT_EQ(sim::shellOpens()[0].file, row.file);
    if (row.directory == nullptr)
        EXPECT_FALSE(sim::shellOpens()[0].directory.has_value());
    else
        EXPECT_EQ(sim::shellOpens()[0].directory, std::string(row.directory));
    EXPECT_EQ(traced("ShellExecuteA")[0].find("op=\"open\""), std::string("ShellExecuteA ").size());
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExample, ShellTable,
    ::testing::Values(
        ShellRow{"SHELL open readme.txt", "readme.txt", nullptr},
        ShellRow{"SHELL open readme.txt .\\", "readme.txt", R"(D:\Menu\)"},
        ShellRow{"SHELL open docs\\manual.pdf docs", R"(docs\manual.pdf)", R"(D:\Menu\docs)"},
        ShellRow{"SHELL open readme.txt docs extra", "readme.txt", nullptr},
        ShellRow{"SHELL print readme.txt", nullptr, nullptr},
        ShellRow{"shell OPEN readme.txt", "readme.txt", nullptr},
        ShellRow{"SHELL Open readme.txt", "readme.txt", nullptr},
        ShellRow{"SHELL open", nullptr, nullptr},
        ShellRow{"SHELL open readme.txt C:\\Docs", "readme.txt", R"(D:\Menu\C:\Docs)"},
        ShellRow{"SHELL\topen readme.txt", nullptr, nullptr}));

struct ListRow {
    const char* action;
    std::vector<std::string> effects;
};

void PrintTo(const ListRow& row, std::ostream* os) {
    *os << '\'' << row.action << '\'';
}

class ListTable : public ActionsTest, public ::testing::WithParamInterface<ListRow> {};

TEST_P(ListTable, RunsTheItemsInOrderUpToAnEmptyOne) {
    runAction(GetParam().action);
    EXPECT_EQ(effects(), GetParam().effects);
}

const std::string runA =
    R"(CreateProcessA cmdline="D:\Menu\a.exe" dir="D:\Menu" flags=0x20 result=started)";
const std::string runB =
    R"(CreateProcessA cmdline="D:\Menu\b.exe" dir="D:\Menu" flags=0x20 result=started)";
const std::string postClose = "PostMessageA window=main msg=16 result=1";
const std::string postReinit = "PostMessageA window=main msg=1025 result=1";

INSTANTIATE_TEST_SUITE_P(
    Items, ListTable,
    ::testing::Values(
        ListRow{"RUN a.exe||CLOSE", {runA}}, ListRow{"CLOSE|RUN a.exe", {postClose, runA}},
        ListRow{"RUN a.exe| |RUN b.exe", {runA}}, ListRow{"RUN a.exe|", {runA}},
        ListRow{"|RUN a.exe", {}}, ListRow{"NOPE a.exe|RUN b.exe", {runB}},
        ListRow{"RUN|RUN b.exe", {runB}}, ListRow{"SHELL open|SHELL print x.txt|RUN b.exe", {runB}},
        ListRow{"RUN\ta.exe|RUN b.exe", {runB}}, ListRow{"REINIT now please", {postReinit}},
        ListRow{"reinit", {postReinit}}, ListRow{"CLOSE the menu", {postClose}},
        ListRow{"Close", {postClose}},
        ListRow{"RUN a.exe|REINIT|RUN b.exe|CLOSE", {runA, postReinit, runB, postClose}},
        ListRow{"  RUN a.exe  |  RUN b.exe  ", {runA, runB}},
        ListRow{"RUNa.exe|RUN b.exe", {runB}}));

TEST_F(ActionsTest, AMissingOrEmptyActionDoesNothing) {
    runAction("");
    EXPECT_TRUE(effects().empty());
    EXPECT_TRUE(sim::trace().empty());
}

TEST_F(ActionsTest, TheIndexNamesTheSectionOfTheButtonCountedFromOne) {
    runAction("RUN one.exe",
              "[Button12]\r\nAction=RUN twelve.exe\r\n[Button2]\r\nAction=RUN two.exe\r\n");
    app->runAction(11);
    app->runAction(1);
    ASSERT_EQ(sim::startedProcesses().size(), 3u);
    EXPECT_EQ(sim::startedProcesses()[0].commandLine, R"(D:\Menu\one.exe)");
    EXPECT_EQ(sim::startedProcesses()[1].commandLine, R"(D:\Menu\twelve.exe)");
    EXPECT_EQ(sim::startedProcesses()[2].commandLine, R"(D:\Menu\two.exe)");
}

TEST_F(ActionsTest, AnAliasWithoutTrailingBackslashIsJoinedDirectly) {
    sim::setRegistryString(viewerKey, "Path", "C:\\Programs\\Viewer");
    runAction("RUN Viewer+x.exe");
    ASSERT_EQ(sim::startedProcesses().size(), 1u);
    EXPECT_EQ(sim::startedProcesses()[0].commandLine, R"(C:\Programs\Viewerx.exe)");
    EXPECT_EQ(sim::startedProcesses()[0].directory, std::string(R"(C:\Programs)"));
}

TEST_F(ActionsTest, APlusAlwaysNamesAnAliasEvenWhenTheFileExists) {
    writeFile("my+app.exe", "MZ");
    sim::setRegistryString("Software\\Mine", "Home", "E:\\Mine\\");
    writeIni("[Registry]\r\nmy=Mine\\Home\r\n[Button1]\r\nAction=RUN my+app.exe\r\n");
    start();
    openWindow();
    app->reloadAliases();
    app->runAction(0);
    ASSERT_EQ(sim::startedProcesses().size(), 1u);
    EXPECT_EQ(sim::startedProcesses()[0].commandLine, R"(E:\Mine\app.exe)");
    EXPECT_EQ(sim::startedProcesses()[0].directory, std::string(R"(E:\Mine)"));
}

TEST_F(ActionsTest, EachAliasItemLooksItsAliasUpAfresh) {
    runAction("RUN Viewer+a.exe|RUN Missing+b.exe|RUN Viewer+c.exe");
    ASSERT_EQ(sim::startedProcesses().size(), 3u);
    EXPECT_EQ(sim::startedProcesses()[0].commandLine, R"(C:\Programs\Viewer\a.exe)");
    EXPECT_EQ(sim::startedProcesses()[1].commandLine, "b.exe");
    EXPECT_EQ(sim::startedProcesses()[2].commandLine, R"(C:\Programs\Viewer\c.exe)");
}

TEST_F(ActionsTest, WaitingRepaintsAfterEveryTimedOutSliceAndLooksAtTheQueue) {
    writeBmp("back.bmp", 20, 10, 0x102030);
    writeIni("[Button1]\r\nAction=RUN setup.exe wait\r\n");
    sim::setWaitSlices(3);
    start();
    openWindow("back.bmp");
    sim::clearTrace();
    app->runAction(0);

    std::vector<std::string> slice = {"WaitForSingleObject ms=200 result=timeout",
                                      "SendMessageA msg=20",
                                      "BitBlt x=0 y=0 w=20 h=10 to=memory",
                                      "BitBlt x=0 y=0 w=20 h=10",
                                      "UpdateWindow",
                                      "PeekMessageA remove=0 result=0"};
    std::vector<std::string> expected = {
        R"(CreateProcessA cmdline="D:\Menu\setup.exe" dir="D:\Menu" flags=0x20 result=started)"};
    for (int i = 0; i < 3; ++i) expected.insert(expected.end(), slice.begin(), slice.end());
    // The first repaint makes the off-screen copy it composes in.
    expected.insert(expected.begin() + 3, {"CreateCompatibleBitmap w=20 h=10 result=bitmap",
                                           "CreateCompatibleDC", "SelectObject"});
    expected.push_back("WaitForSingleObject ms=200 result=ended");
    expected.push_back("CloseHandle");
    expected.push_back("CloseHandle");
    EXPECT_EQ(sim::trace(), expected);
}

TEST_F(ActionsTest, APeekDuringTheWaitLeavesQueuedInputForLater) {
    writeIni("[Button1]\r\nAction=RUN setup.exe wait\r\n");
    sim::setWaitSlices(2);
    start();
    openWindow();
    sim::setWaitHook([](int32_t) { sim::click(5, 5); });
    app->runAction(0);
    EXPECT_EQ(countTraced("PeekMessageA remove=0 result=1 msg=513"), 2);
    EXPECT_EQ(countTraced("PeekMessageA remove=1"), 0);
    EXPECT_EQ(countTraced("DispatchMessageA"), 0);
}

TEST_F(ActionsTest, AProgramThatCannotStartIsNotWaitedFor) {
    sim::setProgramMissing(
        [](const std::string& line) { return line.find("missing") != std::string::npos; });
    runAction("RUN missing.exe wait|RUN b.exe");
    EXPECT_EQ(countTraced("WaitForSingleObject"), 0);
    ASSERT_EQ(sim::startedProcesses().size(), 1u);
    EXPECT_EQ(sim::startedProcesses()[0].commandLine, R"(D:\Menu\b.exe)");
    EXPECT_EQ(sim::openProcessHandles(), 0);
}

TEST_F(ActionsTest, HandlesAreClosedAtOnceWithoutWait) {
    int32_t openWhileRunning = -1;
    sim::setProcessHook(
        [&](const sim::ProcessRecord&) { openWhileRunning = sim::openProcessHandles(); });
    runAction("RUN a.exe|RUN b.exe");
    EXPECT_EQ(openWhileRunning, 2);
    EXPECT_EQ(sim::openProcessHandles(), 0);
    std::vector<std::string> calls;
    for (const std::string& line : sim::trace())
        if (line.rfind("CreateProcessA", 0) == 0 || line == "CloseHandle")
            calls.push_back(line.substr(0, 14));
    EXPECT_EQ(calls, (std::vector<std::string>{"CreateProcessA", "CloseHandle", "CloseHandle",
                                               "CreateProcessA", "CloseHandle", "CloseHandle"}));
}

TEST_F(ActionsTest, HandlesStayOpenDuringTheWaitAndAreClosedAfterIt) {
    std::vector<int32_t> openDuringWait;
    sim::setWaitHook([&](int32_t) { openDuringWait.push_back(sim::openProcessHandles()); });
    sim::setWaitSlices(2);
    runAction("RUN a.exe wait");
    EXPECT_EQ(openDuringWait, (std::vector<int32_t>{2, 2, 2}));
    EXPECT_EQ(sim::openProcessHandles(), 0);
}

TEST_F(ActionsTest, ARootBaseDirectoryGivesTheDriveAsWorkingDirectory) {
    sim::setCurrentDirectory("D:\\");
    runAction("RUN setup.exe|RUN Tools\\x.exe");
    ASSERT_EQ(sim::startedProcesses().size(), 2u);
    EXPECT_EQ(sim::startedProcesses()[0].commandLine, R"(D:\setup.exe)");
    EXPECT_EQ(sim::startedProcesses()[0].directory, std::string("D:"));
    EXPECT_EQ(sim::startedProcesses()[1].directory, std::string(R"(D:\Tools)"));
}

TEST_F(ActionsTest, AnAliasWhoseOnlySeparatorIsTheFirstByteGivesNoDirectory) {
    sim::setRegistryString(viewerKey, "Path", "\\");
    runAction("RUN Viewer+x.exe");
    ASSERT_EQ(sim::startedProcesses().size(), 1u);
    EXPECT_EQ(sim::startedProcesses()[0].commandLine, R"(\x.exe)");
    EXPECT_FALSE(sim::startedProcesses()[0].directory.has_value());
}

// Paths with a space go to CreateProcessA in quotes; the argument stays outside them.
class QuotedPathTest : public ActionsTest {
  protected:
    void SetUp() override {
        ActionsTest::SetUp();
        sim::setCurrentDirectory("D:\\My Menu");
    }
};

TEST_F(QuotedPathTest, APathWithASpaceIsQuotedAndTheArgumentFollows) {
    sim::setRegistryString(viewerKey, "Path", "C:\\Program Files\\Viewer\\");
    sim::setWaitSlices(1);
    runAction(
        "RUN setup.exe|RUN setup.exe /s /v|RUN setup.exe wait|RUN Viewer+view.exe a b|"
        "RUN Missing+x.exe /q");
    std::vector<std::string> expected = {
        started(R"("D:\My Menu\setup.exe")", dir(R"(D:\My Menu)")),
        started(R"("D:\My Menu\setup.exe" /s)", dir(R"(D:\My Menu)")),
        started(R"("D:\My Menu\setup.exe")", dir(R"(D:\My Menu)")),
        started(R"("C:\Program Files\Viewer\view.exe" a)", dir(R"(C:\Program Files\Viewer)")),
        started("x.exe /q", "none")};
    EXPECT_EQ(effects(), expected);
    EXPECT_EQ(countTraced("WaitForSingleObject"), 2);
}

TEST_F(QuotedPathTest, AnArgumentWithASpaceCannotOccurAndIsNotQuoted) {
    runAction("RUN setup.exe \"/dir=C:\\x\"");
    ASSERT_EQ(sim::startedProcesses().size(), 1u);
    EXPECT_EQ(sim::startedProcesses()[0].commandLine, R"("D:\My Menu\setup.exe" "/dir=C:\x")");
}

// Installers that need administrator rights are started through the shell instead.
class ElevationTest : public ActionsTest {
  protected:
    void SetUp() override {
        ActionsTest::SetUp();
        sim::setElevationRequired(
            [](const std::string& line) { return line.find("setup.exe") != std::string::npos; });
    }
};

TEST_F(ElevationTest, TheShellStartsTheProgramWithTheSameArgumentAndDirectory) {
    runAction("RUN Tools\\setup.exe /s|RUN b.exe");
    std::vector<std::string> expected = {
        R"(CreateProcessA cmdline="D:\Menu\Tools\setup.exe /s" dir="D:\Menu\Tools" flags=0x20 result=elevation-required)",
        R"(ShellExecuteExA op="open" file="D:\Menu\Tools\setup.exe" params="/s" dir="D:\Menu\Tools" mask=0x40 result=started)",
        runB};
    EXPECT_EQ(effects(), expected);
    ASSERT_EQ(sim::startedProcesses().size(), 2u);
    EXPECT_TRUE(sim::startedProcesses()[0].throughShell);
    EXPECT_EQ(sim::startedProcesses()[0].argument, std::string("/s"));
    EXPECT_EQ(countTraced("WaitForSingleObject"), 0);
    EXPECT_EQ(sim::openProcessHandles(), 0);
}

TEST_F(ElevationTest, WaitIsOnTheHandleTheShellReturns) {
    sim::setWaitSlices(2);
    std::vector<int32_t> openDuringWait;
    sim::setWaitHook([&](int32_t) { openDuringWait.push_back(sim::openProcessHandles()); });
    runAction("RUN setup.exe wait|RUN b.exe");
    std::vector<std::string> expected = {
        R"(CreateProcessA cmdline="D:\Menu\setup.exe" dir="D:\Menu" flags=0x20 result=elevation-required)",
        R"(ShellExecuteExA op="open" file="D:\Menu\setup.exe" params=none dir="D:\Menu" mask=0x40 result=started)",
        runB};
    EXPECT_EQ(effects(), expected);
    EXPECT_EQ(traced("WaitForSingleObject"),
              (std::vector<std::string>{"WaitForSingleObject ms=200 result=timeout",
                                        "WaitForSingleObject ms=200 result=timeout",
                                        "WaitForSingleObject ms=200 result=ended"}));
    EXPECT_EQ(countTraced("SendMessageA msg=20"), 2);
    EXPECT_EQ(openDuringWait, (std::vector<int32_t>{1, 1, 1}));
    EXPECT_EQ(sim::openProcessHandles(), 0);
}

TEST_F(ElevationTest, TheShellGetsThePathWithoutQuotes) {
    sim::setCurrentDirectory("D:\\My Menu");
    runAction("RUN setup.exe /s");
    EXPECT_EQ(
        traced("ShellExecuteExA"),
        (std::vector<std::string>{
            R"(ShellExecuteExA op="open" file="D:\My Menu\setup.exe" params="/s" dir="D:\My Menu" mask=0x40 result=started)"}));
}

TEST_F(ElevationTest, ADeclinedPromptLeavesNothingToWaitFor) {
    sim::setElevationDeclined(true);
    runAction("RUN setup.exe wait|RUN b.exe");
    EXPECT_EQ(countTraced("ShellExecuteExA"), 1);
    EXPECT_EQ(countTraced("WaitForSingleObject"), 0);
    EXPECT_EQ(effects().back(), runB);
    EXPECT_EQ(sim::openProcessHandles(), 0);
}

// Messages that other processes send are delivered inside the peek of every wait slice.
class SentDuringWaitTest : public ActionsTest {
  protected:
    void SetUp() override {
        ActionsTest::SetUp();
        writeBmp("back.bmp", 60, 40, 0x000080);
        writeBmp("n.bmp", 20, 10, 0xFF0000);
        writeBmp("p.bmp", 20, 10, 0x00FF00);
        writeIni(
            "[Main]\r\nBackGround=back.bmp\r\nButtons=2\r\n[Registry]\r\nflag=Tools\\Flag\r\n"
            "[Button1]\r\nLeft=0\r\nTop=0\r\nNABitmap=n.bmp\r\nABitmap=n.bmp\r\nPBitmap=p.bmp\r\n"
            "Action=RUN setup.exe wait|RUN after.exe\r\n"
            "[Button2]\r\nLeft=30\r\nTop=0\r\nNABitmap=n.bmp\r\nActivate=ENABLE BUTTON2 flag\r\n");
        sim::setWaitSlices(4);
        start();
    }
};

TEST_F(SentDuringWaitTest, ARebuildUnderTheRunningCommandLetsItFinish) {
    sim::setWaitHook([](int32_t wait) {
        if (wait == 2) {
            sim::setRegistryString("Software\\Tools", "Flag", "yes");
            sim::sendFromOtherProcess(reinitialiseMessage);
        }
    });
    EXPECT_EQ(runProgram({[] { sim::click(5, 5); }}), 0);

    ASSERT_EQ(sim::startedProcesses().size(), 2u);
    EXPECT_EQ(sim::startedProcesses()[1].commandLine, R"(D:\Menu\after.exe)");
    EXPECT_EQ(countTraced("WaitForSingleObject"), 5);
    EXPECT_EQ(sim::openProcessHandles(), 0);
    // The rebuild read the registry again and the rules enabled button 2.
    ASSERT_EQ(app->buttonCount, 2u);
    EXPECT_TRUE(app->buttons[1].enabled);
    // The rebuilt button 1 is no longer pressed.
    EXPECT_EQ(app->buttons[0].state, stateNormal);
}

TEST_F(SentDuringWaitTest, TheRebuildHappensInsideThePeekOfTheSlice) {
    sim::setWaitHook([](int32_t wait) {
        if (wait == 1) sim::sendFromOtherProcess(reinitialiseMessage);
    });
    runProgram({[] { sim::click(5, 5); }});
    const std::vector<std::string>& lines = sim::trace();
    auto timeout =
        std::find(lines.begin(), lines.end(), "WaitForSingleObject ms=200 result=timeout");
    auto peek = std::find(timeout, lines.end(),
                          "PeekMessageA remove=0 result=1 msg=514 wParam=0 lParam=0x50005");
    ASSERT_NE(peek, lines.end());
    // Between the first timed-out slice and the return of its peek, the buttons are rebuilt:
    // their pictures are read again.
    auto rebuild = std::find_if(timeout, peek, [](const std::string& line) {
        return line.rfind("fopen name=\"D:\\Menu\\n.bmp\"", 0) == 0;
    });
    EXPECT_NE(rebuild, peek);
    EXPECT_EQ(std::count(timeout, peek, "SendMessageA msg=20"), 1);
}

TEST_F(SentDuringWaitTest, AWindowClosedUnderTheRunningCommandLetsItFinish) {
    sim::setWaitHook([](int32_t wait) {
        if (wait == 2) sim::sendFromOtherProcess(wm::close);
    });
    EXPECT_EQ(runProgram({[] { sim::click(5, 5); }, [] { sim::click(5, 5); }}), 0);

    EXPECT_FALSE(sim::windowInfo(sim::mainWindow()).exists);
    ASSERT_EQ(sim::startedProcesses().size(), 2u);
    EXPECT_EQ(sim::startedProcesses()[1].commandLine, R"(D:\Menu\after.exe)");
    EXPECT_EQ(countTraced("WaitForSingleObject ms=200 result=ended"), 1);
    EXPECT_EQ(countTraced("PostQuitMessage"), 1);
    EXPECT_EQ(sim::openProcessHandles(), 0);
    // The loop ended with the quit message; the second click was never made.
    EXPECT_EQ(steps.size(), 1u);
}

}  // namespace
}  // namespace autorun::testing
