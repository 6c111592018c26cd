// String and the text helpers: ownership, folding, searching, trimming and tokenising.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "config/text_string.h"

namespace autorun {
namespace {

std::string bytesOf(const String& s) {
    return s.text() == nullptr ? std::string() : std::string(s.text(), s.length());
}

// A writable copy of a text with room for checking what lies past its terminator.
struct Buffer {
    explicit Buffer(const std::string& text) : bytes(text.begin(), text.end()) {
        bytes.push_back('\0');
        // Bytes past the terminator that no helper may touch.
        bytes.insert(bytes.end(), 4, '#');
    }
    char* text() { return bytes.data(); }
    std::vector<char> bytes;
};

TEST(StringValue, EmptyOwnsNoStorage) {
    String empty;
    EXPECT_EQ(empty.length(), 0);
    EXPECT_EQ(empty.text(), nullptr);
    String fromEmptyText("");
    EXPECT_EQ(fromEmptyText.length(), 0);
    EXPECT_EQ(fromEmptyText.text(), nullptr);
    String fromNull(static_cast<const char*>(nullptr));
    EXPECT_EQ(fromNull.text(), nullptr);
    String copyOfEmpty(empty);
    EXPECT_EQ(copyOfEmpty.length(), 0);
    EXPECT_EQ(copyOfEmpty.text(), nullptr);
}

TEST(StringValue, ConstructFromTextCopiesIt) {
    char source[] = "Setup";
    String s(source);
    ASSERT_EQ(s.length(), 5);
    ASSERT_NE(s.text(), nullptr);
    EXPECT_NE(s.text(), source);
    EXPECT_STREQ(s.text(), "Setup");
    source[0] = 'X';
    EXPECT_STREQ(s.text(), "Setup");
}

TEST(StringValue, CopyHasItsOwnStorage) {
    String a("abc");
    String b(a);
    ASSERT_NE(b.text(), nullptr);
    EXPECT_NE(b.text(), a.text());
    EXPECT_EQ(bytesOf(b), "abc");
    a.text()[0] = 'z';
    EXPECT_EQ(bytesOf(b), "abc");
}

TEST(StringValue, CopyTakesLengthBytesEvenAfterACutInside) {
    String a("abc");
    a.text()[1] = '\0';
    String copy(a);
    ASSERT_EQ(copy.length(), 3);
    EXPECT_EQ(std::memcmp(copy.text(), "a\0c", 4), 0);
    String assigned;
    assigned = a;
    ASSERT_EQ(assigned.length(), 3);
    EXPECT_EQ(std::memcmp(assigned.text(), "a\0c", 4), 0);
}

TEST(StringValue, AssignEmptyTextReleasesStorage) {
    String s("120");
    s = "";
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.text(), nullptr);
    s = "7";
    s.assign(static_cast<const char*>(nullptr));
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.text(), nullptr);
    s = "7";
    s = String();
    EXPECT_EQ(s.text(), nullptr);
}

TEST(StringValue, AssignReplacesContent) {
    String s("short");
    s = "a longer text";
    EXPECT_EQ(s.length(), 13);
    EXPECT_STREQ(s.text(), "a longer text");
    s = String("xy");
    EXPECT_EQ(bytesOf(s), "xy");
}

TEST(StringValue, AssignFromTextInsideItsOwnStorage) {
    String s("  a b\t");
    s.assign(trim(s.text()));
    EXPECT_EQ(bytesOf(s), "a b");

    String tail("key=value");
    tail.assign(tail.text() + 4);
    EXPECT_EQ(bytesOf(tail), "value");
}

TEST(StringValue, AssignFromItself) {
    String s("same");
    const String& alias = s;
    s = alias;
    EXPECT_EQ(bytesOf(s), "same");
    s.assign(s.text());
    EXPECT_EQ(bytesOf(s), "same");
}

TEST(StringValue, AssignBytesTakesExactlyN) {
    String s;
    s.assignBytes("abcdef", 3);
    EXPECT_EQ(s.length(), 3);
    EXPECT_STREQ(s.text(), "abc");
    s.assignBytes("abc", 0);
    EXPECT_EQ(s.text(), nullptr);
    s.assignBytes("abc", -1);
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.text(), nullptr);
}

struct FoldCase {
    unsigned char a;
    unsigned char b;
    bool match;
};

void PrintTo(const FoldCase& c, std::ostream* out) {
    *out << int{c.a} << " and " << int{c.b};
}

class Folding : public ::testing::TestWithParam<FoldCase> {};

TEST_P(Folding, MatchesAsTheLettersSay) {
    const FoldCase& c = GetParam();
    EXPECT_EQ(fold(static_cast<char>(c.a)) == fold(static_cast<char>(c.b)), c.match)
        << std::hex << int(c.a) << " vs " << int(c.b);
    char left[2] = {static_cast<char>(c.a), 0};
    EXPECT_EQ(equals(String(left), std::string(1, static_cast<char>(c.b)).c_str()), c.match);
}

INSTANTIATE_TEST_SUITE_P(Cp1251, Folding,
                         ::testing::Values(FoldCase{'a', 'A', true}, FoldCase{'z', 'Z', true},
                                           FoldCase{'m', 'M', true}, FoldCase{'A', 'A', true},
                                           FoldCase{0xE0, 0xC0, true}, FoldCase{0xFF, 0xDF, true},
                                           FoldCase{0xEF, 0xCF, true}, FoldCase{0xB8, 0xA8, false},
                                           FoldCase{0xA8, 0x88, false}, FoldCase{0xC0, 0xA0, false},
                                           FoldCase{'{', '[', false}, FoldCase{'`', '@', false},
                                           FoldCase{'1', 0x11, false}, FoldCase{'a', 'B', false},
                                           FoldCase{0xE0, 0xE1, false},
                                           FoldCase{0x7F, 0x5F, false}));

TEST(Fold, ChangesOnlyTheSmallLetters) {
    for (int b = 0; b < 256; ++b) {
        bool small = (b >= 'a' && b <= 'z') || b >= 0xE0;
        EXPECT_EQ(fold(static_cast<char>(b)), small ? b - 32 : b) << b;
    }
}

struct EqualsCase {
    std::string s;
    std::string t;
    bool equal;
};

// Printed by its texts; without this the test framework would print the struct's raw bytes,
// padding included.
void PrintTo(const EqualsCase& c, std::ostream* out) {
    *out << '"' << c.s << "\" vs \"" << c.t << '"';
}

class Equality : public ::testing::TestWithParam<EqualsCase> {};

TEST_P(Equality, ComparesCountsThenFoldedBytes) {
    const EqualsCase& c = GetParam();
    EXPECT_EQ(equals(String(c.s.c_str()), c.t.c_str()), c.equal) << c.s << " / " << c.t;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Equality,
    ::testing::Values(EqualsCase{"run", "RUN", true}, EqualsCase{"RUN ", "RUN", false},
                      EqualsCase{"", "", true}, EqualsCase{"main", "MAIN", true},
                      EqualsCase{"RUN", "RU", false}, EqualsCase{"RU", "RUN", false},
                      EqualsCase{"abc", "abd", false}, EqualsCase{"", "x", false},
                      EqualsCase{"\xEC\xE5\xED\xFE", "\xCC\xC5\xCD\xDE", true},
                      EqualsCase{"\xB8", "\xA8", false}, EqualsCase{"{a}", "[A]", false}));

TEST(Equals, UsesTheCountNotTheTerminator) {
    String s("ab");
    s.text()[1] = '\0';
    EXPECT_FALSE(equals(s, "a"));
}

struct FindCase {
    const char* needle;
    const char* haystack;
    int32_t index;
};

void PrintTo(const FindCase& c, std::ostream* out) {
    *out << (c.needle ? c.needle : "null") << " in " << (c.haystack ? c.haystack : "null");
}

class Finding : public ::testing::TestWithParam<FindCase> {};

TEST_P(Finding, GivesTheFirstFoldedOccurrence) {
    const FindCase& c = GetParam();
    EXPECT_EQ(find(c.needle, c.haystack), c.index)
        << (c.needle ? c.needle : "(null)") << " in " << (c.haystack ? c.haystack : "(null)");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Finding,
    ::testing::Values(FindCase{"Top", "  TopMargin=7", 2}, FindCase{"ABitmap", "NABitmap=x", 1},
                      FindCase{"", "anything", -1}, FindCase{"", "", -1},
                      FindCase{"abcd", "abc", -1}, FindCase{"x", nullptr, -1},
                      FindCase{"[main]", "; x\r\n[MAIN]\r\n", 5}, FindCase{"abc", "abc", 0},
                      FindCase{"c", "abc", 2}, FindCase{"aab", "aaab", 1},
                      FindCase{"]", "[a][b]", 2}, FindCase{"[Button1]", "[Button10][Button1]", 10},
                      FindCase{"\xF2\xEE\xEF", "x\xD2\xCE\xCF", 1}, FindCase{"\xB8", "\xA8\xB8", 1},
                      FindCase{"[", "{[", 1}, FindCase{"b", "a\nb", 2}, FindCase{"q", "abc", -1}));

TEST(FindChar, MatchesBytesExactly) {
    EXPECT_EQ(findChar('+', "app+setup.exe"), 3);
    EXPECT_EQ(findChar('+', ""), -1);
    EXPECT_EQ(findChar('+', nullptr), -1);
    EXPECT_EQ(findChar('=', "a=b=c"), 1);
    EXPECT_EQ(findChar('A', "abc"), -1);
    EXPECT_EQ(findChar('\xE0', "\xC0\xE0"), 1);
    EXPECT_EQ(findChar('x', "abc"), -1);
}

TEST(TextSize, CountsTheTerminator) {
    EXPECT_EQ(textSize(nullptr), 0);
    EXPECT_EQ(textSize(""), 1);
    EXPECT_EQ(textSize("abc"), 4);
}

struct TrimCase {
    std::string in;
    std::string out;
};

void PrintTo(const TrimCase& c, std::ostream* out) {
    *out << '"' << c.in << '"';
}

class Trimming : public ::testing::TestWithParam<TrimCase> {};

TEST_P(Trimming, CutsBlanksAndClearsWhatIsLeftBehind) {
    const TrimCase& c = GetParam();
    Buffer buffer(c.in);
    char* result = trim(buffer.text());
    EXPECT_EQ(result, buffer.text());
    EXPECT_EQ(std::string(result), c.out);
    // Every byte between the new and the old terminator is NUL; nothing after it is touched.
    for (size_t i = c.out.size(); i <= c.in.size(); ++i) EXPECT_EQ(buffer.bytes[i], '\0') << i;
    for (size_t i = c.in.size() + 1; i < buffer.bytes.size(); ++i) EXPECT_EQ(buffer.bytes[i], '#');
}

INSTANTIATE_TEST_SUITE_P(Cases, Trimming,
                         ::testing::Values(TrimCase{"  a b\t", "a b"}, TrimCase{"\t \t  ", ""},
                                           TrimCase{"", ""}, TrimCase{"x", "x"},
                                           TrimCase{"\r\nRUN a\r\n", "RUN a"},
                                           TrimCase{"\x01\x1F"
                                                    "a\x20",
                                                    "a"},
                                           TrimCase{"\x7F"
                                                    "a\xA0",
                                                    "\x7F"
                                                    "a\xA0"},
                                           TrimCase{"\xFF ", "\xFF"},
                                           TrimCase{"a  \t  b", "a  \t  b"},
                                           TrimCase{" ; note = x ", "; note = x"}));

TEST(Trim, NullComesBackUnchanged) {
    EXPECT_EQ(trim(nullptr), nullptr);
}

struct WordsCase {
    char sep;
    std::string in;
    std::string trimmed;
    std::vector<std::string> words;
};

void PrintTo(const WordsCase& c, std::ostream* out) {
    *out << '"' << c.in << '"';
}

class Words : public ::testing::TestWithParam<WordsCase> {};

TEST_P(Words, CountTrimsAndSplitAgrees) {
    const WordsCase& c = GetParam();
    Buffer buffer(c.in);
    int32_t n = wordCount(c.sep, buffer.text());
    EXPECT_EQ(std::string(buffer.text()), c.trimmed);
    ASSERT_EQ(n, static_cast<int32_t>(c.words.size()));
    // One String more than the count shows that split writes no more than it was told.
    std::vector<String> out(static_cast<size_t>(n) + 1);
    out.back() = "untouched";
    split(out.data(), c.sep, buffer.text());
    for (int32_t i = 0; i < n; ++i) EXPECT_EQ(bytesOf(out[i]), c.words[i]) << i;
    EXPECT_EQ(bytesOf(out.back()), "untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Words,
    ::testing::Values(
        WordsCase{
            ' ', "  RUN  setup.exe   wait ", "RUN  setup.exe   wait", {"RUN", "setup.exe", "wait"}},
        WordsCase{' ', "   ", "", {}}, WordsCase{' ', "", "", {}},
        WordsCase{' ', "RUN\tsetup.exe wait", "RUN\tsetup.exe wait", {"RUN\tsetup.exe", "wait"}},
        WordsCase{' ', "one", "one", {"one"}},
        WordsCase{'|', " RUN a.exe | CLOSE ", "RUN a.exe | CLOSE", {"RUN a.exe ", " CLOSE"}},
        WordsCase{'|', "||a|||b||", "||a|||b||", {"a", "b"}}, WordsCase{'|', "|", "|", {}},
        WordsCase{'|', "a| |b", "a| |b", {"a", " ", "b"}},
        WordsCase{',', "\x01x,\xE0y\x02", "x,\xE0y", {"x", "\xE0y"}}));

TEST(Split, NullTextWritesNothing) {
    String out[1];
    out[0] = "kept";
    split(out, ' ', nullptr);
    EXPECT_EQ(bytesOf(out[0]), "kept");
}

TEST(ConcatWithText, BuildsAHeaderThroughItsOwnResult) {
    const String& open = concat(String("["), "Main");
    EXPECT_EQ(bytesOf(open), "[Main");
    const String& header = concat(open, "]");
    EXPECT_EQ(bytesOf(header), "[Main]");
    EXPECT_EQ(bytesOf(concat(concat(String("a"), "b"), "c")), "abc");
}

TEST(ConcatWithText, EmptyOperands) {
    EXPECT_EQ(bytesOf(concat(String(), "x")), "x");
    EXPECT_EQ(bytesOf(concat(String("x"), "")), "x");
    const String& none = concat(String(), "");
    EXPECT_EQ(none.length(), 0);
    EXPECT_EQ(none.text(), nullptr);
    EXPECT_EQ(bytesOf(concat(String("x"), nullptr)), "x");
}

TEST(ConcatWithStrings, BuildsThroughItsOwnResult) {
    const String& ab = concat(String("a"), String("b"));
    EXPECT_EQ(bytesOf(ab), "ab");
    EXPECT_EQ(bytesOf(concat(ab, String("c"))), "abc");
    EXPECT_EQ(bytesOf(concat(String("x"), String())), "x");
    EXPECT_EQ(bytesOf(concat(String(), String("y"))), "y");
    EXPECT_EQ(concat(String(), String()).text(), nullptr);
}

TEST(Concat, EachFormKeepsItsOwnScratchResult) {
    const String& first = concat(String("C:\\menu\\"), "autorun.ini");
    const String& second = concat(String("Software\\"), String("Vendor"));
    EXPECT_NE(&first, &second);
    EXPECT_EQ(bytesOf(first), "C:\\menu\\autorun.ini");
    EXPECT_EQ(bytesOf(second), "Software\\Vendor");
    concat(String("other"), "text");
    EXPECT_EQ(bytesOf(second), "Software\\Vendor");
}

struct DecimalCase {
    uint32_t value;
    const char* text;
};

void PrintTo(const DecimalCase& c, std::ostream* out) {
    *out << c.value;
}

class Decimal : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(Decimal, WritesDigitsAndTerminatorOnly) {
    const DecimalCase& c = GetParam();
    char out[16];
    std::memset(out, '#', sizeof out);
    decimalText(c.value, out);
    EXPECT_STREQ(out, c.text);
    for (size_t i = std::strlen(c.text) + 1; i < sizeof out; ++i) EXPECT_EQ(out[i], '#');
}

INSTANTIATE_TEST_SUITE_P(Cases, Decimal,
                         ::testing::Values(DecimalCase{0, "0"}, DecimalCase{7, "7"},
                                           DecimalCase{10, "10"}, DecimalCase{120, "120"},
                                           DecimalCase{1000000, "1000000"},
                                           DecimalCase{4294967295u, "4294967295"}));

}  // namespace
}  // namespace autorun
