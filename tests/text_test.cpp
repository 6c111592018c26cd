// Tables of the text helpers the lookup, the commands and the rules are built on: folding,
// matching, trimming, cutting into words, joining.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/text_string.h"

namespace autorun {
namespace {

std::string bytesOf(const String& s) {
    return s.text() == nullptr ? std::string() : std::string(s.text(), s.length());
}

// A writable copy of a text with guard bytes after its terminator.
std::vector<char> buffer(const std::string& text) {
    std::vector<char> bytes(text.begin(), text.end());
    bytes.push_back('\0');
    bytes.insert(bytes.end(), 4, '#');
    return bytes;
}

TEST(Fold, OnlyLatinAndCp1251SmallLettersChange) {
    for (int b = 0; b < 256; ++b) {
        bool small = (b >= 'a' && b <= 'z') || b >= 0xE0;
        EXPECT_EQ(fold(static_cast<char>(b)), small ? b - 32 : b) << b;
    }
}

TEST(Equals, ComparesTheCountThenFoldedBytes) {
    struct Row {
        const char* s;
        const char* t;
        bool equal;
    } rows[] = {{"run", "RUN", true},
                {"RUN ", "RUN", false},
                {"", "", true},
                {"RUN", "RU", false},
                {"RU", "RUN", false},
                {"abc", "abd", false},
                {"\xEC\xE5\xED", "\xCC\xC5\xCD", true},
                {"\xB8", "\xA8", false},
                {"{a}", "[A]", false},
                {"", "x", false}};
    for (const Row& row : rows) EXPECT_EQ(equals(String(row.s), row.t), row.equal) << row.s;
    String cut("ab");
    cut.text()[1] = '\0';
    EXPECT_FALSE(equals(cut, "a")) << "the count decides, not the terminator";
}

TEST(Find, GivesTheFirstFoldedOccurrence) {
    struct Row {
        const char* needle;
        const char* haystack;
        int32_t index;
    } rows[] = {{"Top", "  TopMargin=7", 2},
                {"ABitmap", "NABitmap=x", 1},
                {"", "anything", -1},
                {"abcd", "abc", -1},
                {"x", nullptr, -1},
                {"[main]", "; x\r\n[MAIN]\r\n", 5},
                {"c", "abc", 2},
                {"aab", "aaab", 1},
                {"[Button1]", "[Button10][Button1]", 10},
                {"\xF2\xEE\xEF", "x\xD2\xCE\xCF", 1},
                {"\xB8", "\xA8\xB8", 1},
                {"[", "{[", 1},
                {"q", "abc", -1}};
    for (const Row& row : rows) EXPECT_EQ(find(row.needle, row.haystack), row.index) << row.needle;
    EXPECT_EQ(findChar('+', "app+setup.exe"), 3);
    EXPECT_EQ(findChar('+', nullptr), -1);
    EXPECT_EQ(findChar('A', "abc"), -1);
}

TEST(Trim, CutsBlanksAtBothEndsAndClearsWhatIsLeftBehind) {
    struct Row {
        std::string in;
        std::string out;
    } rows[] = {{"  a b\t", "a b"},
                {"\t \t  ", ""},
                {"", ""},
                {"\r\nRUN a\r\n", "RUN a"},
                {"\x01\x1F"
                 "a\x20",
                 "a"},
                {"\x7F"
                 "a\xA0",
                 "\x7F"
                 "a\xA0"},
                {"a  \t  b", "a  \t  b"},
                {" ; note = x ", "; note = x"}};
    for (const Row& row : rows) {
        std::vector<char> bytes = buffer("#" + row.in);
        char* text = bytes.data() + 1;
        EXPECT_EQ(trim(text), text);
        EXPECT_EQ(std::string(text), row.out);
        for (size_t i = row.out.size(); i <= row.in.size(); ++i) EXPECT_EQ(text[i], '\0') << i;
        EXPECT_EQ(bytes[0], '#') << "nothing before the text is touched";
        EXPECT_EQ(text[row.in.size() + 1], '#') << "nothing after the text is touched";
    }
    EXPECT_EQ(trim(nullptr), nullptr);
}

TEST(Words, CountTrimsAndSplitWritesExactlyThatMany) {
    struct Row {
        char sep;
        std::string in;
        std::vector<std::string> words;
    } rows[] = {{' ', "  RUN  setup.exe   wait ", {"RUN", "setup.exe", "wait"}},
                {' ', "   ", {}},
                {' ', "RUN\tsetup.exe wait", {"RUN\tsetup.exe", "wait"}},
                {'|', " RUN a.exe | CLOSE ", {"RUN a.exe ", " CLOSE"}},
                {'|', "||a|||b||", {"a", "b"}},
                {'|', "a| |b", {"a", " ", "b"}}};
    for (const Row& row : rows) {
        std::vector<char> bytes = buffer(row.in);
        int32_t n = wordCount(row.sep, bytes.data());
        ASSERT_EQ(n, static_cast<int32_t>(row.words.size())) << row.in;
        std::vector<String> out(row.words.size() + 1);
        out.back() = "untouched";
        split(out.data(), row.sep, bytes.data());
        for (int32_t i = 0; i < n; ++i) EXPECT_EQ(bytesOf(out[i]), row.words[i]) << row.in;
        EXPECT_EQ(bytesOf(out.back()), "untouched");
    }
}

TEST(CutItem, EndsTheItemAtItsBarAndGivesTheRest) {
    std::vector<char> bytes = buffer("RUN a.exe|REINIT|");
    char* rest = cutItem(bytes.data());
    EXPECT_STREQ(bytes.data(), "RUN a.exe");
    ASSERT_NE(rest, nullptr);
    char* last = cutItem(rest);
    EXPECT_STREQ(rest, "REINIT");
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last, "");
    EXPECT_EQ(cutItem(last), nullptr);
}

TEST(Decimal, DigitsWithoutLeadingZeros) {
    for (uint32_t value : {0u, 7u, 10u, 1024u, 4294967295u}) {
        char out[12];
        std::fill(out, out + 12, '#');
        decimalText(value, out);
        EXPECT_STREQ(out, std::to_string(value).c_str());
    }
}

TEST(Assign, TextInsideTheStringItselfIsCopiedBeforeTheOldStorageGoes) {
    String s("  a b\t");
    s.assign(trim(s.text()));
    EXPECT_EQ(bytesOf(s), "a b");
    String tail("key=value");
    tail.assign(tail.text() + 4);
    EXPECT_EQ(bytesOf(tail), "value");
    const String& same = tail;
    tail = same;
    EXPECT_EQ(bytesOf(tail), "value");
    tail.assignBytes(tail.text() + 1, 3);
    EXPECT_EQ(bytesOf(tail), "alu");
    tail = "";
    EXPECT_EQ(tail.text(), nullptr);
}

TEST(Concat, JoinsThroughItsOwnScratchResultAndNullAddsNothing) {
    EXPECT_EQ(bytesOf(concat(concat(String("["), "Main"), "]")), "[Main]");
    const String& path = concat(String("C:\\menu\\"), nullptr);
    EXPECT_EQ(bytesOf(path), "C:\\menu\\");
    EXPECT_EQ(path.text()[path.length()], '\0');
    EXPECT_EQ(concat(String(), "").text(), nullptr);
    const String& text = concat(String("a"), "b");
    const String& strings = concat(String("c"), String("d"));
    EXPECT_EQ(bytesOf(text), "ab") << "each form keeps a scratch String of its own";
    EXPECT_EQ(bytesOf(concat(strings, String("e"))), "cde");
}

}  // namespace
}  // namespace autorun
