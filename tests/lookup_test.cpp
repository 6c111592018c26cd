// The autorun.ini dialect as lookup reads it: sections, lines, prefix keys, values, comments.
#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/sim_fixture.h"
#include "tests/support/worked_example.h"

namespace autorun::testing {
namespace {

std::string valueOf(const Application& app) {
    const String& v = app.currentValue;
    return v.text() == nullptr ? std::string() : std::string(v.text(), v.length());
}

// All bytes of a literal, a NUL inside it included.
template <size_t N>
std::string withNul(const char (&bytes)[N]) {
    return std::string(bytes, N - 1);
}

std::string joinLines(const std::vector<std::string>& lines, const std::string& end) {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

const std::vector<std::string> workedExample(std::begin(workedExampleLines),
                                             std::end(workedExampleLines));

using Answer = WorkedAnswer;
const auto& workedAnswers = workedExampleAnswers;

class IniWorkedExample : public SimTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(IniWorkedExample, EveryRowAnswers) {
    writeIni(joinLines(workedExample, GetParam()));
    Application& app = start();
    for (const Answer& row : workedAnswers) {
        app.lookup(row.section, row.key);
        EXPECT_EQ(valueOf(app), row.value) << "[" << row.section << "] " << row.key;
        if (*row.value == '\0') {
            EXPECT_EQ(app.currentValue.text(), nullptr);
        }
    }
}

TEST_P(IniWorkedExample, LookupsLeaveTheTextAsLoaded) {
    std::string content = joinLines(workedExample, GetParam());
    writeIni(content);
    Application& app = start();
    for (const Answer& row : workedAnswers) app.lookup(row.section, row.key);
    ASSERT_NE(app.configText, nullptr);
    EXPECT_EQ(std::string(app.configText), content);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniWorkedExample, ::testing::Values("\r\n", "\n", "\r"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string end = info.param;
                             return end == "\r\n" ? std::string("CrLf")
                                    : end == "\n" ? std::string("Lf")
                                                  : std::string("Cr");
                         });

struct Edge {
    const char* name;
    std::string ini;
    const char* section;
    const char* key;
    const char* value;
};

void PrintTo(const Edge& edge, std::ostream* out) {
    *out << edge.name;
}

class Edges : public SimTest, public ::testing::WithParamInterface<Edge> {};

TEST_P(Edges, Answer) {
    const Edge& edge = GetParam();
    writeIni(edge.ini);
    Application& app = start();
    app.lookup(edge.section, edge.key);
    EXPECT_EQ(valueOf(app), edge.value);
}

const Edge edges[] = {
    {"CommentCapturesSection", "; see [Button2]\r\n[Button2]\r\nTop=5\r\nLeft=6\r\n", "Button2",
     "Top", ""},
    {"HeaderThenKeyOnTheSameLine", "[Main]Buttons=2\r\n", "Main", "Buttons", "2"},
    {"BlanksInsideBracketsAreNotMain", "[ Main ]\r\nButtons=2\r\n", "Main", "Buttons", ""},
    {"BlanksInsideBracketsNameTheirOwnSection", "[ Main ]\r\nButtons=2\r\n", " Main ", "Buttons",
     "2"},
    {"HeaderAtVeryEnd", "Buttons=1\r\n[Main]", "Main", "Buttons", ""},
    {"HeaderAndLineEndAtVeryEnd", "Buttons=1\r\n[Main]\r\n", "Main", "Buttons", ""},
    {"TabIndentedKey", "[Main]\r\n\t\tButtons=3\r\n", "Main", "Buttons", "3"},
    {"SpaceAndTabIndentedKey", "[Main]\r\n \t Buttons=3\r\n", "Main", "Buttons", "3"},
    {"TabsAroundValue", "[Main]\r\nAppName=\t My Menu \t\r\n", "Main", "AppName", "My Menu"},
    {"KeyWithoutEqualsIsPassedOver", "[B]\r\nTop\r\nTop=5\r\n", "B", "Top", "5"},
    {"NulHidesLaterLines", withNul("[Main]\r\nA=1\r\n\0B=2\r\n"), "Main", "B", ""},
    {"NulKeepsEarlierLines", withNul("[Main]\r\nA=1\r\n\0B=2\r\n"), "Main", "A", "1"},
    {"NulHidesLaterSections", withNul("[Main]\r\nA=1\0[Other]\r\nC=3"), "Other", "C", ""},
    {"FirstHeaderWins", "[Main]\r\nA=1\r\n[Main]\r\nB=2\r\n", "Main", "B", ""},
    {"FirstHeaderWinsForItsKeys", "[Main]\r\nA=1\r\n[Main]\r\nA=2\r\n", "Main", "A", "1"},
    {"PrefixMatchTopMarginAnswersTop", "[B]\r\nTopMargin=7\r\nTop=1\r\n", "B", "Top", "7"},
    {"PrefixMatchWithBlanksBeforeEquals", "[B]\r\nTop Left = 5\r\n", "B", "Top", "5"},
    {"KeyAfterOtherBytesDoesNotMatch", "[B]\r\nNABitmap=n.bmp\r\nABitmap=a.bmp\r\n", "B", "ABitmap",
     "a.bmp"},
    {"KeyInsideALineDoesNotMatch", "[B]\r\nx Top=1\r\n", "B", "Top", ""},
    {"BlanksThenSemicolonIsAComment", "[B]\r\n  ;Top=1\r\nTop=2\r\n", "B", "Top", "2"},
    {"SemicolonFirstIsAComment", "[B]\r\n;Top=1\r\n", "B", "Top", ""},
    {"FirstAnsweringLineDecidesEvenIfEmpty", "[B]\r\nTop=\r\nTop=5\r\n", "B", "Top", ""},
    {"BlankValueIsEmpty", "[B]\r\nTop= \t \r\n", "B", "Top", ""},
    {"FurtherEqualsSignsAreKept", "[B]\r\nAction=RUN a=b | CLOSE\r\n", "B", "Action",
     "RUN a=b | CLOSE"},
    {"BracketInAValueCutsTheSection", "[B]\r\nA=x[y]\r\nB=2\r\n", "B", "B", ""},
    {"ButtonOneIsNotButtonTen", "[Button10]\r\nTop=10\r\n[Button1]\r\nTop=1\r\n", "Button1", "Top",
     "1"},
    {"HeaderInsideAnotherValue", "[A]\r\nX=see [B]\r\nY=2\r\n", "B", "Y", "2"},
    {"LineOfBlanksIsPassedOver", "[B]\r\n   \r\nTop=4\r\n", "B", "Top", "4"},
    {"MixedLineEnds", "[B]\n\r\n\rA=1\r\r\nTop=4", "B", "Top", "4"},
    {"LastLineWithoutLineEnd", "[B]\r\nTop=4", "B", "Top", "4"},
    {"CyrillicSectionFolds", "[\xCC\xE5\xED\xFE]\r\nK=1\r\n", "\xEC\xC5\xCD\xDE", "K", "1"},
    {"CyrillicKeyFolds", "[M]\r\n\xEA\xEB\xFE\xF7=v\r\n", "M", "\xCA\xCB\xDE\xD7", "v"},
    {"YoIsNotFolded", "[M]\r\n\xB8=v\r\n", "M", "\xA8", ""},
    {"BraceIsNotBracket", "{Main}\r\nA=1\r\n", "Main", "A", ""},
    {"EmptyFile", "", "Main", "A", ""},
};

INSTANTIATE_TEST_SUITE_P(Dialect, Edges, ::testing::ValuesIn(edges),
                         [](const ::testing::TestParamInfo<Edge>& info) {
                             return std::string(info.param.name);
                         });

class Lookup : public SimTest {};

TEST_F(Lookup, WithoutAutorunIniEverythingIsEmpty) {
    Application& app = start();
    EXPECT_EQ(app.configText, nullptr);
    for (const Answer& row : workedAnswers) {
        app.lookup(row.section, row.key);
        EXPECT_EQ(app.currentValue.length(), 0);
        EXPECT_EQ(app.currentValue.text(), nullptr);
    }
}

TEST_F(Lookup, NullSectionOrKeyEmptiesTheValueAndKeepsTheKey) {
    writeIni("[Main]\r\nAppName=Menu\r\n");
    Application& app = start();
    app.lookup("Main", "AppName");
    ASSERT_EQ(valueOf(app), "Menu");
    app.lookup(nullptr, "Buttons");
    EXPECT_EQ(app.currentValue.text(), nullptr);
    EXPECT_STREQ(app.currentKey.text(), "AppName");
    app.lookup("Main", "AppName");
    app.lookup("Main", nullptr);
    EXPECT_EQ(app.currentValue.text(), nullptr);
    EXPECT_STREQ(app.currentKey.text(), "AppName");
}

TEST_F(Lookup, AFailedLookupEmptiesThePreviousAnswer) {
    writeIni("[Main]\r\nAppName=Menu\r\n");
    Application& app = start();
    app.lookup("Main", "AppName");
    app.lookup("Nowhere", "AppName");
    EXPECT_EQ(app.currentValue.text(), nullptr);
}

TEST_F(Lookup, OpenSectionReportsTheBody) {
    std::string ini = "x[Reg]\r\nA=1\r\nB=2[Next]";
    writeIni(ini);
    Application& app = start();
    ASSERT_TRUE(app.openSection("reg"));
    EXPECT_EQ(app.sectionCursor, 6);
    EXPECT_EQ(app.sectionEnd, static_cast<int32_t>(ini.find("[Next]")));
    app.sectionCursor = 1;
    app.sectionEnd = 2;
    EXPECT_FALSE(app.openSection("Missing"));
    EXPECT_EQ(app.sectionCursor, 1);
    EXPECT_EQ(app.sectionEnd, 2);
}

TEST_F(Lookup, NextLineWalksTheSectionAndStopsAtItsEnd) {
    writeIni("[R]\r\n\r\nfirst\r\n  \r\nlast\r\n\r\n[S]\r\nother\r\n");
    Application& app = start();
    ASSERT_TRUE(app.openSection("R"));
    std::vector<std::string> lines;
    while (app.nextLine()) lines.emplace_back(app.currentLine.text(), app.currentLine.length());
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "  ", "last"}));
    int32_t stoppedAt = app.sectionCursor;
    EXPECT_FALSE(app.nextLine());
    EXPECT_EQ(app.sectionCursor, stoppedAt);
}

TEST_F(Lookup, MatchKeyChangesNothingOnFailure) {
    writeIni("[B]\r\nTop=1\r\n");
    Application& app = start();
    app.lookup("B", "Top");
    ASSERT_EQ(valueOf(app), "1");
    app.currentLine = "Left=5";
    EXPECT_FALSE(app.matchKey());
    EXPECT_EQ(valueOf(app), "1");
    app.currentLine = "  top = 9 ";
    EXPECT_TRUE(app.matchKey());
    EXPECT_EQ(valueOf(app), "9");
}

TEST_F(Lookup, EditingTheFileLaterChangesNothing) {
    writeIni("[Main]\r\nAppName=First\r\n");
    Application& app = start();
    writeIni("[Main]\r\nAppName=Second\r\n");
    app.lookup("Main", "AppName");
    EXPECT_EQ(valueOf(app), "First");
}

// The menu finds the sections it reads itself from an index built in one pass; whatever the
// text holds, the index must agree with a search of the whole text for the header.
struct IndexCase {
    const char* label;
    const char* text;
};

void PrintTo(const IndexCase& c, std::ostream* out) {
    *out << c.label;
}

class SectionIndex : public SimTest, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(SectionIndex, AgreesWithASearchOfTheWholeText) {
    writeIni(GetParam().text);
    Application& a = start();
    for (const char* name : {"Main", "MAIN", "Registry", "Button1", "button1", "Button10",
                             "Button01", "Button1024", "Button1025", "Button0", "Buttons", "Mai"}) {
        String header(concat(concat(String("["), name), "]"));
        int32_t expected = find(header.text(), a.configText);
        a.sectionCursor = -1;
        bool found = a.openSection(name);
        EXPECT_EQ(found, expected >= 0) << name;
        if (found && expected >= 0) {
            EXPECT_EQ(a.sectionCursor, expected + header.length()) << name;
        }
    }
}

const IndexCase indexCases[] = {
    {"Plain", "[Main]\nButtons=1\n[Button1]\nTop=1\n[Button10]\nTop=10\n"},
    {"LowerCase", "[main]\n[button1]\n[BUTTON10]\n"},
    {"InsideAComment", "; see [Button1]\n[Button1]\nTop=1\n"},
    {"NestedBrackets", "[[Main]]\n[Ma[in]\n[Button[1]\n[Button1[\n"},
    {"Unclosed", "[Main\n[Button1"},
    {"LeadingZero", "[Button01]\n[Button1]\n"},
    {"AtTheCaps", "[Button1024]\n[Button1025]\n[Button0]\n"},
    {"BlanksInside", "[ Main ]\n[Main ]\n[Main]\n"},
    {"LineBreakInside", "[Ma\nin]\n[Registry\r]\n[Registry]\n"},
    {"Adjacent", "[Main][Registry][Button1]"},
    {"Cyrillic", "[\xcc\xe0in]\n[Main]\n"},
    {"Empty", ""},
};

INSTANTIATE_TEST_SUITE_P(Texts, SectionIndex, ::testing::ValuesIn(indexCases),
                         [](const ::testing::TestParamInfo<IndexCase>& info) {
                             return info.param.label;
                         });

}  // namespace
}  // namespace autorun::testing
