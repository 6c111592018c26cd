// The [Registry] alias table: one entry per line, the registry reads each line makes, findAlias.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/sim/sim.h"
#include "tests/support/sim_fixture.h"

namespace autorun::testing {
namespace {

std::string textOf(const String& s) {
    return s.text() == nullptr ? std::string() : std::string(s.text(), s.length());
}

class Aliases : public SimTest {
  protected:
    // Writes autorun.ini, starts the menu and rebuilds the table with a fresh trace.
    Application& build(const std::string& ini) {
        writeIni(ini);
        Application& a = start();
        sim::clearTrace();
        a.reloadAliases();
        return a;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < app->aliases.count; ++i) {
            out.push_back(textOf(app->aliases.entries[i].name));
        }
        return out;
    }

    std::vector<std::string> values() const {
        std::vector<std::string> out;
        for (uint32_t i = 0; i < app->aliases.count; ++i) {
            out.push_back(textOf(app->aliases.entries[i].value));
        }
        return out;
    }

    // The key paths opened, in order, as "key=\"...\" result=N".
    std::vector<std::string> opened() const {
        std::vector<std::string> out;
        for (const std::string& line : traced("RegOpenKeyExA ")) {
            size_t key = line.find("key=");
            size_t access = line.find(" access=0x20019 ");
            EXPECT_NE(access, std::string::npos) << line;
            EXPECT_EQ(line.rfind("RegOpenKeyExA root=HKEY_CURRENT_USER key=", 0), 0u) << line;
            out.push_back(line.substr(key, access - key) + line.substr(line.rfind(' ')));
        }
        return out;
    }

    std::string found(const char* name) {
        String out("stale");
        bool hit = app->aliases.findAlias(name, out);
        if (!hit) {
            EXPECT_EQ(out.text(), nullptr) << name;
            return "(none)";
        }
        return textOf(out);
    }
};

class AliasWorkedExample : public Aliases, public ::testing::WithParamInterface<const char*> {};

TEST_P(AliasWorkedExample, FiveLinesFiveEntries) {
    sim::setRegistryString("Software\\ExampleSoft\\Viewer", "Path", "C:\\Viewer\\view.exe");
    sim::setRegistryString("Software\\ExampleSoft\\Reader", "", "C:\\Reader");
    sim::setRegistryString("Software", "Language", "en");
    std::string end = GetParam();
    // Empty lines between entries yield no entry.
    std::string ini = "[Main]" + end + "Buttons=0" + end + "[Registry]" + end +
                      "; folders of installed programs" + end + end +
                      "Viewer = ExampleSoft\\Viewer\\Path" + end + "Reader=ExampleSoft\\Reader\\" +
                      end + end + end + "Lang = Language" + end + "Tools" + end;
    Application& a = build(ini);
    EXPECT_EQ(a.aliases.count, 5u);
    EXPECT_EQ(a.aliases.capacity, 5u);
    EXPECT_EQ(names(), (std::vector<std::string>{"", "Viewer", "Reader", "Lang", "Tools"}));
    EXPECT_EQ(values(),
              (std::vector<std::string>{"", "C:\\Viewer\\view.exe", "C:\\Reader", "en", ""}));
    EXPECT_EQ(opened(), (std::vector<std::string>{"key=\"Software\\ExampleSoft\\Viewer\" result=0",
                                                  "key=\"Software\\ExampleSoft\\Reader\" result=0",
                                                  "key=\"Software\" result=0"}));
    EXPECT_EQ(traced("RegCloseKey").size(), 3u);
    EXPECT_EQ(found("viewer"), "C:\\Viewer\\view.exe");
    EXPECT_EQ(found("VIEWER"), "C:\\Viewer\\view.exe");
    EXPECT_EQ(found("ViEwEr"), "C:\\Viewer\\view.exe");
    EXPECT_EQ(found("Editor"), "(none)");
    EXPECT_EQ(found("View"), "(none)");
    // Parsing cuts copies of the lines, never the loaded text.
    EXPECT_EQ(std::string(a.configText), ini);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, AliasWorkedExample, ::testing::Values("\r\n", "\n", "\r"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string end = info.param;
                             return end == "\r\n" ? std::string("CrLf")
                                    : end == "\n" ? std::string("Lf")
                                                  : std::string("Cr");
                         });

struct LineCase {
    const char* label;
    const char* line;
    const char* name;
    std::optional<std::string> key;  // nothing: the registry is not consulted
    std::string valueName;
    const char* value;
};

void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.label;
}

class Lines : public Aliases, public ::testing::WithParamInterface<LineCase> {
  protected:
    void SetUp() override {
        Aliases::SetUp();
        sim::setRegistryString("Software\\Vendor\\App", "", "app default");
        sim::setRegistryString("Software", "Version", "2.1");
        sim::setRegistryString("Software", "A/B", "slashed");
        sim::setRegistryString("Software", "", "software default");
        sim::setRegistryString("Software\\Vendor\\App", "Key = Alt", "alternative");
        sim::setRegistryString("Software\\Vendor", "X", "x value");
        sim::setRegistryString("Software\\Vendor", "Old", "old value");
        sim::setRegistryString("Software", "Vendor", "cut value");
        sim::setRegistryString("Software\\A\\B\\C", "D", "deep value");
        sim::setRegistryString("Software\\Vendor", "Nameless", "nameless value");
    }
};

TEST_P(Lines, GiveTheirEntryAndRegistryReads) {
    const LineCase& c = GetParam();
    Application& a = build(std::string("[Registry]\r\n") + c.line + "\r\nLater = Version\r\n");
    ASSERT_GE(a.aliases.count, 1u);
    EXPECT_EQ(textOf(a.aliases.entries[0].name), c.name);
    EXPECT_EQ(textOf(a.aliases.entries[0].value), c.value);
    std::vector<std::string> opens = opened();
    std::vector<std::string> queries = traced("RegQueryValueExA ");
    if (!c.key) {
        // The line after it still reads its own value.
        EXPECT_EQ(opens, (std::vector<std::string>{"key=\"Software\" result=0"}));
        return;
    }
    ASSERT_FALSE(opens.empty());
    EXPECT_EQ(opens[0], "key=\"" + *c.key + "\" result=0");
    EXPECT_EQ(traced("RegCloseKey").size(), opens.size());
    ASSERT_FALSE(queries.empty());
    EXPECT_EQ(queries[0].rfind("RegQueryValueExA name=\"" + c.valueName + "\" ", 0), 0u)
        << queries[0];
}

const LineCase lineCases[] = {
    {"KeyWithTrailingBackslash", "Root = Vendor\\App\\", "Root", "Software\\Vendor\\App", "",
     "app default"},
    {"NoBackslash", "Flat = Version", "Flat", "Software", "Version", "2.1"},
    {"SlashIsAnOrdinaryByte", "Slash = A/B", "Slash", "Software", "A/B", "slashed"},
    {"EmptyPath", "Empty =", "Empty", "Software", "", "software default"},
    {"FurtherEqualsInTheValueName", "Name = Vendor\\App\\Key = Alt", "Name",
     "Software\\Vendor\\App", "Key = Alt", "alternative"},
    {"BlankThenSemicolonIsNoComment", " ; note = Vendor\\X", "; note", "Software\\Vendor", "X",
     "x value"},
    {"NoEquals", "Tools", "Tools", std::nullopt, "", ""},
    {"CommentWithEquals", "; old = Vendor\\Old", "", std::nullopt, "", ""},
    {"BlanksOnly", " \t ", "", std::nullopt, "", ""},
    {"Deep", "Deep = A\\B\\C\\D", "Deep", "Software\\A\\B\\C", "D", "deep value"},
    {"NoName", "= Vendor\\Nameless", "", "Software\\Vendor", "Nameless", "nameless value"},
    {"TabsAround", "\tTab\t=\tVersion\t", "Tab", "Software", "Version", "2.1"},
    {"MissingValue", "Unset = Vendor\\App\\Nothing", "Unset", "Software\\Vendor\\App", "Nothing",
     ""},
};

INSTANTIATE_TEST_SUITE_P(Registry, Lines, ::testing::ValuesIn(lineCases),
                         [](const ::testing::TestParamInfo<LineCase>& info) {
                             return std::string(info.param.label);
                         });

TEST_F(Lines, BracketInALineEndsTheSection) {
    Application& a = build("[Registry]\r\nData = Vendor[2]\\Path\r\nLater = Version\r\n");
    EXPECT_EQ(a.aliases.count, 1u);
    EXPECT_EQ(names(), (std::vector<std::string>{"Data"}));
    EXPECT_EQ(values(), (std::vector<std::string>{"cut value"}));
    std::vector<std::string> queries = traced("RegQueryValueExA ");
    ASSERT_FALSE(queries.empty());
    EXPECT_EQ(queries[0].rfind("RegQueryValueExA name=\"Vendor\" ", 0), 0u);
    EXPECT_EQ(opened(), (std::vector<std::string>{"key=\"Software\" result=0"}));
}

TEST_F(Aliases, KeyThatDoesNotOpenMakesNoFurtherCalls) {
    build("[Registry]\r\nGone = Nobody\\Value\r\n");
    EXPECT_EQ(opened(), (std::vector<std::string>{"key=\"Software\\Nobody\" result=2"}));
    EXPECT_TRUE(traced("RegQueryValueExA").empty());
    EXPECT_TRUE(traced("RegCloseKey").empty());
    EXPECT_EQ(found("gone"), "");
}

TEST_F(Aliases, MissingValueStillClosesTheKey) {
    sim::createRegistryKey("Software\\Vendor");
    build("[Registry]\r\nUnset = Vendor\\Value\r\n");
    std::vector<std::string> calls;
    for (const std::string& line : sim::trace()) calls.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(calls,
              (std::vector<std::string>{"RegOpenKeyExA", "RegQueryValueExA", "RegCloseKey"}));
    EXPECT_NE(traced("RegQueryValueExA")[0].find("result=2"), std::string::npos);
}

struct DataCase {
    const char* label;
    uint32_t type;
    std::vector<uint8_t> data;
    std::string text;
};

void PrintTo(const DataCase& c, std::ostream* out) {
    *out << c.label;
}

class StoredData : public Aliases, public ::testing::WithParamInterface<DataCase> {};

TEST_P(StoredData, ReadsUpToTheFirstZeroByte) {
    const DataCase& c = GetParam();
    sim::setRegistryValue("Software\\Vendor", "Data", c.type, c.data);
    Application& a = build("[Registry]\r\nV = Vendor\\Data\r\n");
    ASSERT_EQ(a.aliases.count, 1u);
    const String& value = a.aliases.entries[0].value;
    EXPECT_EQ(value.length(), static_cast<int32_t>(c.text.size()));
    EXPECT_EQ(textOf(value), c.text);
}

const DataCase dataCases[] = {
    {"Dword65IsA", sim::regDword, {65, 0, 0, 0}, "A"},
    {"DwordWithoutZeroGivesAllFourBytes", sim::regDword, {0x41, 0x42, 0x43, 0x44}, "ABCD"},
    {"DwordZeroIsEmpty", sim::regDword, {0, 0, 0, 0}, ""},
    {"DwordHighBytesOnly", sim::regDword, {0, 0, 0, 0x41}, ""},
    {"BinaryUpToZero", sim::regBinary, {'h', 'i', 0, 'j'}, "hi"},
    {"BinaryWithoutZero", sim::regBinary, {'x', 'y', 'z'}, "xyz"},
    {"BinaryEmpty", sim::regBinary, {}, ""},
    {"HighBytesAreKept", sim::regBinary, {0xCF, 0xF3, 0xF2, 0xFC, 0}, "\xCF\xF3\xF2\xFC"},
    {"StringWithoutTerminator", sim::regSz, {'a', 'b', 'c'}, "abc"},
    {"StringWithTerminator", sim::regSz, {'a', 'b', 'c', 0}, "abc"},
    {"StringCutAtInnerZero", sim::regSz, {'a', 'b', 0, 'c', 'd', 0}, "ab"},
    {"EmptyString", sim::regSz, {0}, ""},
    {"ExpandableIsNotExpanded", sim::regExpandSz, {'%', 'T', 'E', 'M', 'P', '%', 0}, "%TEMP%"},
    {"MultiStringGivesTheFirst", sim::regMultiSz, {'o', 'n', 'e', 0, 't', 'w', 'o', 0, 0}, "one"},
    {"Qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}, "\x01\x02\x03\x04\x05\x06\x07\x08"},
};

INSTANTIATE_TEST_SUITE_P(Types, StoredData, ::testing::ValuesIn(dataCases),
                         [](const ::testing::TestParamInfo<DataCase>& info) {
                             return std::string(info.param.label);
                         });

TEST_F(Aliases, FirstOfTwoNamesWins) {
    sim::setRegistryString("Software\\Vendor", "One", "first");
    sim::setRegistryString("Software\\Vendor", "Two", "second");
    Application& a = build("[Registry]\r\nA = Vendor\\One\r\na = Vendor\\Two\r\n");
    EXPECT_EQ(a.aliases.count, 2u);
    EXPECT_EQ(found("A"), "first");
    EXPECT_EQ(found("a"), "first");
}

TEST_F(Aliases, NamesFoldLikeEveryOtherName) {
    sim::setRegistryString("Software", "Version", "2.1");
    // "path" in small Cyrillic letters, the letter yo, and a Latin name.
    Application& a =
        build("[Registry]\r\n\xEF\xF3\xF2\xFC = Version\r\n\xB8 = Version\r\nmixed = Version\r\n");
    ASSERT_EQ(a.aliases.count, 3u);
    EXPECT_EQ(found("\xCF\xD3\xD2\xDC"), "2.1");
    EXPECT_EQ(found("\xEF\xD3\xF2\xDC"), "2.1");
    EXPECT_EQ(found("\xB8"), "2.1");
    EXPECT_EQ(found("\xA8"), "(none)");
    EXPECT_EQ(found("MIXED"), "2.1");
    EXPECT_EQ(found("mixed "), "(none)");
}

TEST_F(Aliases, RebuildingCountsOneBuildAndReadsTheRegistryAgain) {
    sim::setRegistryString("Software", "Language", "en");
    Application& a = build("[Registry]\r\nLang = Language\r\nTools\r\n; note\r\n");
    ASSERT_EQ(a.aliases.count, 3u);
    sim::setRegistryString("Software", "Language", "de");
    a.reloadAliases();
    EXPECT_EQ(a.aliases.count, 3u);
    EXPECT_EQ(a.aliases.capacity, 3u);
    EXPECT_EQ(names(), (std::vector<std::string>{"Lang", "Tools", ""}));
    EXPECT_EQ(found("lang"), "de");
    EXPECT_EQ(traced("RegOpenKeyExA").size(), 2u);
}

TEST_F(Aliases, FoundTextIsACopy) {
    sim::setRegistryString("Software", "Language", "en");
    Application& a = build("[Registry]\r\nLang = Language\r\n");
    String out;
    ASSERT_TRUE(a.aliases.findAlias("Lang", out));
    ASSERT_NE(out.text(), nullptr);
    EXPECT_NE(out.text(), a.aliases.entries[0].value.text());
    out.text()[0] = 'X';
    a.reloadAliases();
    EXPECT_EQ(textOf(out), "Xn");
    EXPECT_EQ(found("Lang"), "en");
}

TEST_F(Aliases, WithoutTheSectionTheTableIsEmpty) {
    sim::setRegistryString("Software", "Language", "en");
    Application& a = build("[Main]\r\nLang = Language\r\n");
    EXPECT_EQ(a.aliases.count, 0u);
    EXPECT_EQ(found("Lang"), "(none)");
    EXPECT_TRUE(traced("Reg").empty());
}

TEST_F(Aliases, WithoutAutorunIniTheTableIsEmpty) {
    Application& a = start();
    a.reloadAliases();
    EXPECT_EQ(a.aliases.count, 0u);
    EXPECT_EQ(found("anything"), "(none)");
}

TEST_F(Aliases, EmptySectionGivesNoEntries) {
    Application& a = build("[Registry]\r\n\r\n\r\n[Main]\r\nLang = Language\r\n");
    EXPECT_EQ(a.aliases.count, 0u);
    EXPECT_TRUE(traced("Reg").empty());
}

TEST_F(Aliases, HeaderIsFoundInAnyCaseAndMidLine) {
    sim::setRegistryString("Software", "Language", "en");
    build("[Main]\r\nNote=see [rEgIsTrY]Lang = Language\r\nTools\r\n");
    EXPECT_EQ(names(), (std::vector<std::string>{"Lang", "Tools"}));
    EXPECT_EQ(found("lang"), "en");
}

TEST_F(Aliases, FirstHeaderWins) {
    sim::setRegistryString("Software", "Language", "en");
    build("; [Registry]\r\nA = Language\r\n[Registry]\r\nB = Language\r\n");
    EXPECT_EQ(names(), (std::vector<std::string>{"A"}));
}

TEST_F(Aliases, RegistryKeysMatchRegardlessOfCase) {
    sim::setRegistryString("SOFTWARE\\vendor\\APP", "path", "found");
    build("[Registry]\r\nP = Vendor\\App\\Path\r\n");
    EXPECT_EQ(found("p"), "found");
}

}  // namespace
}  // namespace autorun::testing
