// Tables of the file's two encodings: how names fold in a UTF-8 file and in an 8-bit one, how
// texts reach the system, and which code pages the simulated machine takes.
#include <gtest/gtest.h>

#include <string>

#include "config/text_encoding.h"
#include "platform/sim/sim.h"

namespace autorun {
namespace {

std::string bytesOf(const String& s) {
    return s.text() == nullptr ? std::string() : std::string(s.text(), s.length());
}

struct Fixture : ::testing::Test {
    void SetUp() override { sim::reset(); }
    void TearDown() override { setTextEncoding(TextEncoding::ansi); }
};

using Folding = Fixture;
using SystemText = Fixture;

TEST_F(Folding, Utf8FoldsLatin1AndCyrillicLettersByCodePoint) {
    struct Row {
        const char* s;
        const char* t;
        bool utf8;
        bool ansi;
    } rows[] = {
        {"привет", "ПРИВЕТ", true, false},
        // р to я lie in another block than their capitals: both bytes differ.
        {"рстуфхцчшщъыьэюя", "РСТУФХЦЧШЩЪЫЬЭЮЯ", true, false},
        {"абвгдежзийклмноп", "АБВГДЕЖЗИЙКЛМНОП", true, false},
        {"àéîõøþ", "ÀÉÎÕØÞ", true, false},
        {"÷", "×", false, false},
        {"ÿ", "ß", false, false},
        {"ё", "Ё", false, false},
        {"日本語", "日本語", true, true},
        {"Вьювер", "вЬЮВЕР", true, false},
        // cp1251 bytes: а and А, я and Я fold in an 8-bit file only.
        {"\xE0\xFF", "\xC0\xDF", false, true},
    };
    for (const Row& row : rows) {
        setTextEncoding(TextEncoding::utf8);
        EXPECT_EQ(equals(String(row.s), row.t), row.utf8) << row.s << " UTF-8";
        setTextEncoding(TextEncoding::ansi);
        EXPECT_EQ(equals(String(row.s), row.t), row.ansi) << row.s << " 8-bit";
    }
}

TEST_F(Folding, FindMatchesFoldedUtf8AtCharacterBoundaries) {
    setTextEncoding(TextEncoding::utf8);
    EXPECT_EQ(find("ЯЗЫК", "  язык=ru"), 2);
    EXPECT_EQ(find("[кнопки]", "; x\r\n[КНОПКИ]"), 5);
    // Р (D0 A0) is not the continuation byte A0 of à (C3 A0).
    EXPECT_EQ(find("\xD0\xA0", "\xC3\xA0"), -1);
}

TEST_F(SystemText, Utf8KeepsValidSequencesAndShowsEveryOtherByteAsReplacement) {
    const std::string r = "\xEF\xBF\xBD";
    struct Row {
        std::string in;
        std::string out;
    } rows[] = {
        {"Программа 日本語 😀", "Программа 日本語 😀"},
        {"a\xFF"
         "b",
         "a" + r + "b"},
        {"\xC3", r},
        {"\xC0\xAF", r + r},
        {"\xE0\x80\x80", r + r + r},
        {"\xED\xA0\x80", r + r + r},
        {"\xF4\x90\x80\x80", r + r + r + r},
        {"\xF0\x8F\xBF\xBF", r + r + r + r},
        {"\xE6\x97", r + r},
        {"\x80Я", r + "Я"},
    };
    setTextEncoding(TextEncoding::utf8);
    for (const Row& row : rows) EXPECT_EQ(bytesOf(systemText(row.in.c_str())), row.out) << row.in;
    EXPECT_EQ(systemText(nullptr).text(), nullptr);
}

TEST_F(Folding, ReadsNoBytePastTheGivenLength) {
    setTextEncoding(TextEncoding::utf8);
    // р (D1 80) cut after its lead byte: the byte past the end is not looked at.
    EXPECT_EQ(foldedUtf8At("\xD1\x80", 0, 1), 0xD1);
    setTextEncoding(TextEncoding::ansi);
    EXPECT_FALSE(dependsOnCodePage(nullptr));
    EXPECT_TRUE(dependsOnCodePage("caf\xE9"));
    EXPECT_FALSE(dependsOnCodePage("cafe"));
}

TEST_F(SystemText, AnsiTextGoesThroughTheMachinesCodePage) {
    setTextEncoding(TextEncoding::ansi);
    EXPECT_EQ(bytesOf(systemText("\xCF\xF0\xE8 \xE9")), "Ïðè é");
    ASSERT_TRUE(sim::setCodePage(1251));
    EXPECT_EQ(bytesOf(systemText("\xCF\xF0\xE8 \xB8")), "При ё");
    ASSERT_TRUE(sim::setCodePage(1250));
    EXPECT_EQ(bytesOf(systemText("\x8A")), "Š");
}

TEST(CodePage, SingleByteCodePagesOnly) {
    struct Row {
        int32_t codePage;
        bool taken;
    } rows[] = {{1252, true}, {1251, true}, {1253, true},   {866, true},
                {932, false}, {936, false}, {65001, false}, {99999, false}};
    for (const Row& row : rows)
        EXPECT_EQ(sim::setCodePage(row.codePage), row.taken) << row.codePage;
}

}  // namespace
}  // namespace autorun
