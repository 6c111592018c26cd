// The simulated registry's .reg reader: both export formats and encodings, every value kind,
// deletions, continuation lines and the errors for malformed files.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/sim.h"
#include "tests/support/sim_fixture.h"

namespace autorun::testing {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A UTF-16LE file with its byte order mark, as the registry editor saves version 5 exports.
std::string utf16File(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (char16_t unit : text) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

class RegFile : public SimTest {
  protected:
    void load(const std::string& content) {
        std::string error;
        ASSERT_TRUE(sim::loadRegistryText(content, "menu.reg", error)) << error;
    }

    // The error for content, or "(loaded)".
    std::string errorFor(const std::string& content) {
        std::string error;
        if (sim::loadRegistryText(content, "bad.reg", error)) return "(loaded)";
        return error;
    }

    static std::optional<sim::RegistryValue> value(const std::string& key,
                                                   const std::string& name) {
        return sim::registryValue(key, name);
    }

    static void expectValue(const std::string& key, const std::string& name, uint32_t type,
                            const Bytes& data) {
        std::optional<sim::RegistryValue> v = sim::registryValue(key, name);
        ASSERT_TRUE(v.has_value()) << key << " / " << name;
        EXPECT_EQ(v->type, type) << key << " / " << name;
        EXPECT_EQ(v->data, data) << key << " / " << name;
    }
};

TEST_F(RegFile, Regedit4Values) {
    load(
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Vendor\\App]\r\n"
        "\"Path\"=\"C:\\\\Program Files\\\\App\"\r\n"
        "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
        "@=\"default text\"\r\n"
        "\"Empty\"=\"\"\r\n"
        "\"Signs\"=\"a=b;c[d]\"\r\n"
        "\"Num\"=dword:00000041\r\n"
        "\"Big\"=dword:12345678\r\n"
        "\"Bin\"=hex:01,02,ff\r\n"
        "\"NoBytes\"=hex:\r\n"
        "\"Exp\"=hex(2):25,54,4d,50,25,00\r\n"
        "\"Multi\"=hex(7):61,00,62,00,00\r\n"
        "\"Q\"=hex(b):01,02,03,04,05,06,07,08\r\n"
        "\"None\"=hex(0):\r\n");
    const std::string key = "Software\\Vendor\\App";
    expectValue(key, "Path", sim::regSz, bytes(std::string("C:\\Program Files\\App") + '\0'));
    expectValue(key, "Quote", sim::regSz, bytes(std::string("say \"hi\"") + '\0'));
    expectValue(key, "", sim::regSz, bytes(std::string("default text") + '\0'));
    expectValue(key, "Empty", sim::regSz, Bytes{0});
    expectValue(key, "Signs", sim::regSz, bytes(std::string("a=b;c[d]") + '\0'));
    expectValue(key, "Num", sim::regDword, Bytes{0x41, 0, 0, 0});
    expectValue(key, "Big", sim::regDword, Bytes{0x78, 0x56, 0x34, 0x12});
    expectValue(key, "Bin", sim::regBinary, Bytes{1, 2, 0xFF});
    expectValue(key, "NoBytes", sim::regBinary, Bytes{});
    // An 8-bit export holds its text types in the 8-bit code page already.
    expectValue(key, "Exp", sim::regExpandSz, Bytes{'%', 'T', 'M', 'P', '%', 0});
    expectValue(key, "Multi", sim::regMultiSz, Bytes{'a', 0, 'b', 0, 0});
    expectValue(key, "Q", 11, Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    expectValue(key, "None", 0, Bytes{});
}

TEST_F(RegFile, EscapedValueNames) {
    load(
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\V]\r\n"
        "\"a\\\\b \\\"q\\\"\"=\"v\"\r\n"
        "\"x=y\"=\"w\"\r\n");
    expectValue("Software\\V", "a\\b \"q\"", sim::regSz, Bytes{'v', 0});
    expectValue("Software\\V", "x=y", sim::regSz, Bytes{'w', 0});
}

TEST_F(RegFile, Version5TextTypesAreReadBackInEightBits) {
    load(
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Vendor]\r\n"
        "\"Exp\"=hex(2):25,00,54,00,00,00\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Sz\"=hex(1):41,00,42,00,00,00\r\n"
        "\"Cyr\"=hex(2):1f,04,00,00\r\n"
        "\"Bin\"=hex:41,00\r\n"
        "\"Num\"=dword:0000ffff\r\n"
        "\"Text\"=\"plain\"\r\n");
    expectValue("Software\\Vendor", "Exp", sim::regExpandSz, Bytes{'%', 'T', 0});
    expectValue("Software\\Vendor", "Multi", sim::regMultiSz, Bytes{'a', 0, 'b', 0, 0});
    expectValue("Software\\Vendor", "Sz", sim::regSz, Bytes{'A', 'B', 0});
    expectValue("Software\\Vendor", "Cyr", sim::regExpandSz, Bytes{0xCF, 0});
    // Binary data is bytes in either format.
    expectValue("Software\\Vendor", "Bin", sim::regBinary, Bytes{0x41, 0});
    expectValue("Software\\Vendor", "Num", sim::regDword, Bytes{0xFF, 0xFF, 0, 0});
    expectValue("Software\\Vendor", "Text", sim::regSz, Bytes{'p', 'l', 'a', 'i', 'n', 0});
}

TEST_F(RegFile, Utf16FileWithByteOrderMark) {
    writeFile("unicode.reg",
              utf16File(u"Windows Registry Editor Version 5.00\r\n"
                        u"\r\n"
                        u"[HKEY_CURRENT_USER\\Software\\\u041F\u0443\u0442\u044C]\r\n"
                        u"\"Name\"=\"\u041F\u0443\u0442\u044C \u0451\"\r\n"
                        u"\"Exp\"=hex(2):25,00,41,00,\\\r\n"
                        u"  25,00,00,00\r\n"
                        u"\"Num\"=dword:00000001\r\n"));
    std::string error;
    ASSERT_TRUE(sim::loadRegistryFile(folder + "/unicode.reg", error)) << error;
    // Cyrillic lands at its cp1251 place.
    const std::string key = "Software\\\xCF\xF3\xF2\xFC";
    expectValue(key, "Name", sim::regSz, bytes(std::string("\xCF\xF3\xF2\xFC \xB8") + '\0'));
    expectValue(key, "Exp", sim::regExpandSz, Bytes{'%', 'A', '%', 0});
    expectValue(key, "Num", sim::regDword, Bytes{1, 0, 0, 0});
}

TEST_F(RegFile, Utf8FileWithByteOrderMark) {
    load(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "[HKEY_CURRENT_USER\\Software\\V]\r\n"
        "\"N\"=\"\xD0\x9F\"\r\n");
    expectValue("Software\\V", "N", sim::regSz, Bytes{0xCF, 0});
}

TEST_F(RegFile, ContinuationLines) {
    load(
        "REGEDIT4\r\n"
        "[HKEY_CURRENT_USER\\Software\\V]\r\n"
        "\"Bin\"=hex:01,02,\\\r\n"
        "  03,04,\\\r\n"
        "  05\r\n"
        "\"After\"=\"next\"\r\n");
    expectValue("Software\\V", "Bin", sim::regBinary, Bytes{1, 2, 3, 4, 5});
    expectValue("Software\\V", "After", sim::regSz, Bytes{'n', 'e', 'x', 't', 0});
}

TEST_F(RegFile, ACommentEndingInABackslashDoesNotContinue) {
    load(
        "REGEDIT4\r\n"
        "[HKEY_CURRENT_USER\\Software\\V]\r\n"
        "; the folder = C:\\\r\n"
        "\"A\"=\"1\"\r\n");
    expectValue("Software\\V", "A", sim::regSz, Bytes{'1', 0});
}

TEST_F(RegFile, DeletingKeysAndValues) {
    load(
        "REGEDIT4\r\n"
        "[HKEY_CURRENT_USER\\Software\\Gone]\r\n\"a\"=\"1\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Gone\\Sub]\r\n\"b\"=\"2\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Gone2]\r\n\"c\"=\"3\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Keep]\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n@=\"d\"\r\n");
    load(
        "REGEDIT4\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
        "[HKEY_CURRENT_USER\\Software\\Keep]\r\n"
        "\"x\"=-\r\n"
        "@=-\r\n");
    EXPECT_FALSE(value("Software\\Gone", "a"));
    EXPECT_FALSE(value("Software\\Gone\\Sub", "b"));
    EXPECT_TRUE(value("Software\\Gone2", "c"));
    EXPECT_FALSE(value("Software\\Keep", "x"));
    EXPECT_FALSE(value("Software\\Keep", ""));
    EXPECT_TRUE(value("Software\\Keep", "y"));
    char* gone = platform::readRegistryText("Software\\Gone", "a");
    EXPECT_EQ(gone, nullptr);
    delete[] gone;
}

TEST_F(RegFile, KeyPathsAndNamesIgnoreCase) {
    load(
        "REGEDIT4\r\n"
        "[hkey_current_user\\SOFTWARE\\Vendor]\r\n\"Name\"=\"one\"\r\n"
        "[HKEY_CURRENT_USER\\software\\VENDOR]\r\n\"Other\"=\"two\"\r\n");
    expectValue("Software\\vendor", "NAME", sim::regSz, Bytes{'o', 'n', 'e', 0});
    expectValue("SOFTWARE\\Vendor", "other", sim::regSz, Bytes{'t', 'w', 'o', 0});
    char* text = platform::readRegistryText("software\\vendor", "name");
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "one");
    delete[] text;
}

TEST_F(RegFile, ValuesOfTheUsersRootKey) {
    load("REGEDIT4\n[HKEY_CURRENT_USER]\n\"x\"=\"y\"\n");
    expectValue("", "x", sim::regSz, Bytes{'y', 0});
}

TEST_F(RegFile, EveryLineEndStyle) {
    for (const char* end : {"\r\n", "\n", "\r"}) {
        sim::reset();
        std::string e = end;
        load("REGEDIT4" + e + e + "[HKEY_CURRENT_USER\\Software\\V]" + e + "\"a\"=\"1\"" + e +
             "\"b\"=hex:01,\\" + e + "  02" + e);
        expectValue("Software\\V", "a", sim::regSz, Bytes{'1', 0});
        expectValue("Software\\V", "b", sim::regBinary, Bytes{1, 2});
    }
}

TEST_F(RegFile, UnreadableFileIsAnError) {
    std::string error;
    EXPECT_FALSE(sim::loadRegistryFile(folder + "/missing.reg", error));
    EXPECT_NE(error.find(folder + "/missing.reg"), std::string::npos) << error;
    EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
}

struct Malformed {
    const char* label;
    std::string content;
    int line;
};

void PrintTo(const Malformed& m, std::ostream* out) {
    *out << m.label;
}

class MalformedRegFile : public RegFile, public ::testing::WithParamInterface<Malformed> {};

TEST_P(MalformedRegFile, NamesFileAndLine) {
    const Malformed& m = GetParam();
    std::string error = errorFor(m.content);
    std::string where = "bad.reg:" + std::to_string(m.line) + ": ";
    EXPECT_EQ(error.rfind(where, 0), 0u) << error;
    EXPECT_GT(error.size(), where.size()) << "the message says what is wrong";
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

const std::string regKey = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\V]\r\n";

const Malformed malformed[] = {
    {"Empty", "", 1},
    {"NotARegistryFile", "hello\r\n", 1},
    {"WrongHeaderAfterBlankLines", "\r\n\r\nREGEDIT5\r\n", 3},
    {"Utf16WithoutHeader", utf16File(u"[HKEY_CURRENT_USER\\Software]\r\n"), 1},
    {"ValueBeforeAnyKey", "REGEDIT4\r\n\r\n\"a\"=\"b\"\r\n", 3},
    {"ValueAfterADeletedKey", "REGEDIT4\r\n[-HKEY_CURRENT_USER\\Software\\V]\r\n\"a\"=\"b\"\r\n",
     3},
    {"KeyWithoutClosingBracket", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\r\n", 2},
    {"OtherHive", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n", 2},
    {"UnclosedText", regKey + "\"a\"=\"unclosed\r\n", 3},
    {"UnclosedName", regKey + "\"a=\"b\r\n", 3},
    {"NoEquals", regKey + "\"a\" \"b\"\r\n", 3},
    {"TextAfterClosingQuote", regKey + "\"a\"=\"b\" c\r\n", 3},
    {"UnknownData", regKey + "\"a\"=something\r\n", 3},
    {"NineDigitDword", regKey + "\"a\"=dword:123456789\r\n", 3},
    {"NonHexDword", regKey + "\"a\"=dword:xyz\r\n", 3},
    {"EmptyDword", regKey + "\"a\"=dword:\r\n", 3},
    {"NonHexByte", regKey + "\"a\"=hex:0g\r\n", 3},
    {"ThreeDigitByte", regKey + "\"a\"=hex:123\r\n", 3},
    {"EmptyByte", regKey + "\"a\"=hex:01,,02\r\n", 3},
    {"TrailingComma", regKey + "\"a\"=hex:01,02,\r\n", 3},
    {"BadType", regKey + "\"a\"=hex(zz):00\r\n", 3},
    {"EmptyType", regKey + "\"a\"=hex():00\r\n", 3},
    {"HexWithoutColon", regKey + "\"a\"=hex 01\r\n", 3},
    {"NeitherKeyNorValue", regKey + "junk line\r\n", 3},
    {"ContinuedValueReportsItsFirstLine", regKey + "\"a\"=hex:01,\\\r\n  zz\r\n", 3},
    {"LineAfterAContinuation", regKey + "\"a\"=hex:01,\\\r\n  02\r\njunk\r\n", 5},
    {"CrOnlyLineEnds", "REGEDIT4\r[HKEY_CURRENT_USER\\S]\rjunk\r", 3},
    {"LfOnlyLineEnds", "REGEDIT4\n\n[HKEY_CURRENT_USER\\S]\njunk\n", 4},
    {"Utf16LineNumbers",
     utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\S]\r\nx\r\n"), 4},
};

INSTANTIATE_TEST_SUITE_P(Errors, MalformedRegFile, ::testing::ValuesIn(malformed),
                         [](const ::testing::TestParamInfo<Malformed>& info) {
                             return std::string(info.param.label);
                         });

}  // namespace
}  // namespace autorun::testing
