// autorun-sim check: one small autorun.ini per trap with the exact report, and menus that must
// pass clean.
#include <gtest/gtest.h>

#include "tests/support/bmp_writer.h"
#include "tests/tools/tool_runner.h"

namespace autorun::testing {
namespace {

struct CheckCase {
    std::string name;
    std::string ini;
    std::string report;  // the whole output; empty for a clean menu
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

// A clean menu: one 40 x 20 button on a 200 x 100 background.
const std::string base =
    "[Main]\nBackGround=back.bmp\nButtons=1\n[Button1]\nTop=10\nLeft=10\nNABitmap=b.bmp\n";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::string picture(int32_t width, int32_t height, uint32_t rgb) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.trailingBytes = 2;
    layout.pixel = [rgb](int32_t, int32_t) { return rgb; };
    return bmpFile(layout);
}

class CheckTest : public ToolTest {
  protected:
    void SetUp() override {
        ToolTest::SetUp();
        writeFile("back.bmp", picture(200, 100, 0x102030));
        writeFile("b.bmp", picture(40, 20, 0xFF0000));
        writeFile("h.bmp", picture(40, 20, 0x00FF00));
        writeFile("big.bmp", picture(50, 20, 0x0000FF));
        BmpLayout eight;
        eight.width = 40;
        eight.height = 20;
        eight.bitCount = 8;
        eight.paletteEntries = 256;
        eight.trailingBytes = 2;
        eight.pixel = [](int32_t, int32_t) { return 1u; };
        writeFile("eight.bmp", bmpFile(eight));
        writeFile("cut8.bmp", bmpFile(eight).substr(0, 54 + 1024 + 700));
        BmpLayout rle = eight;
        rle.compression = 1;
        writeFile("rle.bmp", bmpFile(rle));
        BmpLayout shortFile;  // ends with its pixel array, as many paint programs write it
        shortFile.width = 40;
        shortFile.height = 20;
        shortFile.pixel = [](int32_t, int32_t) { return 0xFFFFFFu; };
        writeFile("short.bmp", bmpFile(shortFile));
        writeFile("cut.bmp", bmpFile(shortFile).substr(0, 54 + 2300));
        writeFile("setup.exe", "MZ");
        writeFile("my+app.exe", "MZ");
        writeFile("readme.txt", "read me");
        writeFile("menu.ico", std::string("\0\0\1\0\1\0", 6));
        writeFile("bad.ico", "GIF89a");
    }
};

class Findings : public CheckTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(Findings, AreReportedAsTheMenuBehaves) {
    writeIni(GetParam().ini);
    ToolRun r = run({"check"});
    EXPECT_EQ(r.out, GetParam().report);
    EXPECT_EQ(r.status, GetParam().report.empty() ? 0 : 1) << r.err;
    EXPECT_EQ(r.err, "");
}

std::vector<CheckCase> fileCases() {
    return {
        {"HeaderInComment",
         "; the second button is in [Button2]\n[Main]\nBackGround=back.bmp\nButtons=2\n"
         "[Button1]\nTop=10\nLeft=10\nNABitmap=b.bmp\n[Button2]\nTop=40\nLeft=10\nNABitmap=b.bmp\n",
         "autorun.ini:1: error: the first \"[Button2]\" of the file stands in this comment: the "
         "menu finds section headers anywhere, so section Button2 starts here, and the header on "
         "line 9 is never read; write the name without brackets here\n"
         "autorun.ini:1: warning: button 2 has no Top and no Left: the menu hides it; write Top=Y "
         "and Left=X in [Button2]\n"},
        {"HeaderInValue", "[Notes]\nsee=[Button1] below\n" + base,
         "autorun.ini:1: warning: the menu reads no section [Notes]: it reads only [Main], "
         "[Registry] and [Button1], [Button2], ... up to the number in Buttons\n"
         "autorun.ini:2: error: the first \"[Button1]\" of the file stands inside this line's "
         "value: the menu finds section headers anywhere, so section Button1 starts here, and the "
         "header on line 6 is never read; write the name without brackets here\n"
         "autorun.ini:2: warning: button 1 has no Top and no Left: the menu hides it; write Top=Y "
         "and Left=X in [Button1]\n"},
        {"BlanksInHeader", replaced(base, "[Main]", "[ Main ]"),
         "autorun.ini:1: warning: \"[ Main ]\" has blanks inside the brackets: the menu looks for "
         "headers such as [Main] exactly, so this one opens no section that it reads; write "
         "[Main]\n"
         "autorun.ini:1: error: there is no [Main] section: the menu shows an empty window "
         "without title, picture or buttons; start the file with [Main]\n"},
        {"HeaderWithoutBracket", "[Main\n" + base,
         "autorun.ini:1: warning: this line starts with \"[\" but has no \"]\": it is no section "
         "header, yet its \"[\" ends the section above; write the header as [Name]\n"},
        {"DuplicateSection", base + "[button1]\nAction=RUN setup.exe\n",
         "autorun.ini:8: error: section [button1] appears again (first on line 4): the menu "
         "reads only the first, so the lines below this header are never read; move them into "
         "the first one\n"},
        {"DuplicateKey", base + "top=20\n",
         "autorun.ini:8: warning: top is set again: the menu uses only the first, on line 5; "
         "remove one of them\n"},
        {"BracketInValue",
         "[Main]\nAppName=Setup [beta]\nBackGround=back.bmp\nButtons=1\n[Button1]\nTop=10\n"
         "Left=10\nNABitmap=b.bmp\n",
         "autorun.ini:1: warning: no BackGround picture: the window's client area is 0 x 0, so "
         "the menu shows no picture and no buttons; write BackGround=background.bmp\n"
         "autorun.ini:1: warning: no Buttons value in [Main]: the menu builds no buttons, so the "
         "[Button1] ... sections are never read; write Buttons=1\n"
         "autorun.ini:2: error: a \"[\" inside a value ends the section: the menu reads this line "
         "only up to the \"[\", and never reads lines 3 to 4 below; a value cannot hold \"[\", "
         "leave it out\n"},
        {"BracketInComment", replaced(base, "[Button1]\n", "[Button1]\n; version [2]\n"),
         "autorun.ini:4: warning: button 1 has no Top and no Left: the menu hides it; write Top=Y "
         "and Left=X in [Button1]\n"
         "autorun.ini:5: error: this \"[\" ends the section, although it stands in a comment: "
         "the menu never reads lines 6 to 8 below; leave the bracket out of the comment\n"},
        {"NulByte", replaced(base, "Top=10\n", "Top=10\n" + std::string(1, '\0') + "Left=10\n"),
         "autorun.ini:4: warning: button 1 has no Left: the menu hides it; write Top=Y and "
         "Left=X in [Button1]\n"
         "autorun.ini:6: error: a NUL byte here ends the text the menu reads: everything after "
         "it, up to line 8, is never seen; remove the NUL byte\n"},
        {"ByteOrderMark", "\xEF\xBB\xBF" + base,
         "autorun.ini:1: warning: the file starts with a UTF-8 byte-order mark: the menu reads "
         "bytes of the ANSI code page, and the mark's 3 bytes become part of the first line; save "
         "the file in the ANSI code page (Windows-1252, or 1251 for Cyrillic), without the mark\n"},
        {"Utf8Text", replaced(base, "[Main]\n", "[Main]\nAppName=Caf\xC3\xA9\n"),
         "autorun.ini:2: warning: this line holds UTF-8 text (\"\xC3\xA9\"): the menu shows each "
         "of its bytes as a character of the ANSI code page; save the file in the ANSI code page "
         "(Windows-1252, or 1251 for Cyrillic)\n"},
        {"Utf16", std::string("\xFF\xFE[\0M\0", 6),
         "autorun.ini:1: error: the file is saved as UTF-16: the menu reads its bytes up to the "
         "first NUL, which is one of the first two, so it reads nothing; save the file in the "
         "ANSI code page (Windows-1252, or 1251 for Cyrillic)\n"},
        {"PrefixKeyAbove", replaced(base, "Top=10\n", "TopMargin=7\nTop=10\n"),
         "autorun.ini:5: warning: \"TopMargin=7\" answers the key Top, because the menu matches "
         "keys by their beginning: it reads Top as \"7\" from this line instead of from line 6; "
         "put the Top line first, or rename this key\n"},
        {"PrefixKeyAlone", replaced(base, "Top=10\n", "Top Left = 5\n"),
         "autorun.ini:5: warning: \"Top Left = 5\" answers the key Top, because the menu matches "
         "keys by their beginning: it reads Top as \"5\" from this line; put the Top line first, "
         "or rename this key\n"},
        {"UnknownKey", replaced(base, "[Main]\n", "[Main]\nTitle=Setup\n"),
         "autorun.ini:2: warning: the menu reads no key \"Title\" in [Main], so this line does "
         "nothing; the keys are Icon, ShowCaption, AppName, BackGround and Buttons\n"},
        {"LineWithoutEquals", base + "Top 5\n",
         "autorun.ini:8: warning: no \"=\" on this line, so the menu ignores it; write "
         "Key=Value\n"},
        {"InlineComment", replaced(base, "[Main]\n", "[Main]\nAppName=Setup ; the title\n"),
         "autorun.ini:2: warning: there are no comments after a value: the menu reads AppName as "
         "\"Setup ; the title\"; put the comment on a line of its own\n"},
        {"UnknownSection", base + "[Notes]\nx=1\n",
         "autorun.ini:8: warning: the menu reads no section [Notes]: it reads only [Main], "
         "[Registry] and [Button1], [Button2], ... up to the number in Buttons\n"},
        {"LeadingZero", base + "[Button01]\nTop=1\n",
         "autorun.ini:8: warning: [Button01] is never read: the menu numbers the sections "
         "[Button1], [Button2], ... without leading zeros\n"},
        {"NoMain", "[Button1]\nTop=1\n",
         "autorun.ini:1: error: there is no [Main] section: the menu shows an empty window "
         "without title, picture or buttons; start the file with [Main]\n"},
    };
}

std::vector<CheckCase> buttonCases() {
    std::string two = replaced(base, "Buttons=1", "Buttons=2");
    return {
        {"NoLeft", replaced(base, "Left=10\n", ""),
         "autorun.ini:4: warning: button 1 has no Left: the menu hides it; write Top=Y and "
         "Left=X in [Button1]\n"},
        {"EmptyTop", replaced(base, "Top=10", "Top="),
         "autorun.ini:4: warning: button 1 has an empty Top: the menu hides it; write Top=Y and "
         "Left=X in [Button1]\n"},
        {"TopNotANumber", replaced(base, "Top=10", "Top=10px"),
         "autorun.ini:5: warning: Top=10px is read as 10 (the menu takes only leading digits); "
         "write Top=10\n"},
        {"SectionBeyondCount", base + "[Button2]\nTop=40\nLeft=10\nNABitmap=b.bmp\n",
         "autorun.ini:8: warning: [Button2] lies beyond Buttons=1: the menu never reads it; "
         "raise Buttons to 2 or remove the section\n"},
        {"CountWithWord", replaced(base, "Buttons=1", "Buttons=1 button"),
         "autorun.ini:3: warning: Buttons=1 button is read as 1 (the menu takes only leading "
         "digits); write the number in digits alone, such as Buttons=1\n"},
        {"CountWithoutDigits", replaced(base, "Buttons=1", "Buttons=one"),
         "autorun.ini:3: warning: Buttons=one is read as 0, so the menu builds no buttons; write "
         "the number in digits alone, such as Buttons=1\n"
         "autorun.ini:4: warning: [Button1] lies beyond Buttons=one: the menu never reads it; "
         "raise Buttons to 1 or remove the section\n"},
        {"CountMissing", replaced(base, "Buttons=1\n", ""),
         "autorun.ini:1: warning: no Buttons value in [Main]: the menu builds no buttons, so the "
         "[Button1] ... sections are never read; write Buttons=1\n"},
        {"CountAboveSections", replaced(base, "Buttons=1", "Buttons=3"),
         "autorun.ini:3: warning: Buttons=3, but there is no section [Button2] to [Button3]: the "
         "menu hides buttons 2 to 3; lower Buttons to 1 or add the sections\n"},
        {"PictureMissing",
         replaced(base, "NABitmap=b.bmp\n",
                  "NABitmap=b.bmp\nABitmap=gone.bmp\nPBitmap=h.bmp\nDBitmap=h.bmp\n"),
         "autorun.ini:8: error: the hover picture \"gone.bmp\" is not in the menu folder; the "
         "menu stops loading here, so PBitmap (line 9) and DBitmap (line 10) are not loaded "
         "either\n"},
        {"PictureKeyMissing", replaced(base, "NABitmap=b.bmp\n", "NABitmap=b.bmp\nPBitmap=h.bmp\n"),
         "autorun.ini:4: warning: button 1 has no ABitmap, and the menu stops loading a button's "
         "pictures at the first that does not open: PBitmap (line 8) is not loaded either; write "
         "ABitmap=file.bmp\n"},
        {"NormalPictureMissing", replaced(base, "NABitmap=b.bmp\n", ""),
         "autorun.ini:4: error: button 1 has no NABitmap: it shows nothing and answers clicks "
         "only at its corner; write NABitmap=file.bmp\n"},
        {"AbsolutePicture", replaced(base, "NABitmap=b.bmp", "NABitmap=C:\\pics\\b.bmp"),
         "autorun.ini:7: error: the normal picture \"C:\\pics\\b.bmp\" is not in the menu folder; "
         "the menu puts its folder in front of every picture name, so name the file relative to "
         "the folder\n"},
        {"PictureCompressed",
         replaced(base, "NABitmap=b.bmp\n", "NABitmap=b.bmp\nABitmap=rle.bmp\n"),
         "autorun.ini:8: error: the hover picture \"rle.bmp\" cannot be shown: it is run-length "
         "compressed (RLE8); save it as an uncompressed 24-bit BMP\n"},
        {"PicturePalette", replaced(base, "NABitmap=b.bmp", "NABitmap=eight.bmp"),
         "autorun.ini:7: warning: the normal picture \"eight.bmp\" has 8 bits per pixel: the menu "
         "does not pass its colour table on, so colour 0 shows white and every other colour "
         "black; save it as a 24-bit BMP\n"},
        // The size field of a file that ends with its pixels counts 2 bytes fewer than the menu
        // needs; harmless, as the menu reads the pixels the file holds.
        {"PictureEndsWithPixels", replaced(base, "NABitmap=b.bmp", "NABitmap=short.bmp"), ""},
        {"PictureCut", replaced(base, "NABitmap=b.bmp", "NABitmap=cut.bmp"),
         "autorun.ini:7: warning: the normal picture \"cut.bmp\" ends 100 bytes before its pixel "
         "data does: the missing pixels show black\n"},
        {"PictureWithColourTableCut", replaced(base, "NABitmap=b.bmp", "NABitmap=cut8.bmp"),
         "autorun.ini:7: warning: the normal picture \"cut8.bmp\" has 8 bits per pixel: the menu "
         "does not pass its colour table on, so colour 0 shows white and every other colour "
         "black; save it as a 24-bit BMP\n"
         "autorun.ini:7: warning: the normal picture \"cut8.bmp\" ends 100 bytes before its pixel "
         "data does: the missing pixels show white\n"},
        {"PictureSizes", replaced(base, "NABitmap=b.bmp\n", "NABitmap=b.bmp\nABitmap=big.bmp\n"),
         "autorun.ini:8: warning: the hover picture is 50 x 20, the normal picture 40 x 20: the "
         "menu draws each at its own size from the button's corner, but clicks count only on the "
         "normal picture; make all four the same size\n"},
        {"PartlyOutside", replaced(base, "Left=10", "Left=180"),
         "autorun.ini:4: warning: button 1 reaches from (180, 10) to (220, 30), past the 200 x 100 "
         "background: the part outside is cut off\n"},
        {"Outside", replaced(base, "Left=10", "Left=500"),
         "autorun.ini:4: warning: button 1 at (500, 10) lies outside the 200 x 100 background: it "
         "is never seen and never clicked; place it inside\n"},
        {"Overlap", two + "[Button2]\nTop=20\nLeft=30\nNABitmap=b.bmp\n",
         "autorun.ini:8: warning: buttons 1 and 2 overlap from (30, 20) to (50, 30): a click "
         "there runs button 1, while button 2 is drawn on top; move them apart\n"},
        {"Touch", two + "[Button2]\nTop=10\nLeft=50\nNABitmap=b.bmp\n",
         "autorun.ini:8: warning: buttons 1 and 2 touch: a button also answers clicks on the "
         "pixel line just right of and below its picture, so a click on the edge between them "
         "runs button 1; leave a gap of one pixel\n"},
    };
}

std::vector<CheckCase> actionCases() {
    return {
        {"UnknownCommand", base + "Action=STRAT setup.exe\n",
         "autorun.ini:8: error: unknown command \"STRAT\": the menu knows RUN, SHELL, REINIT and "
         "CLOSE, and skips \"STRAT setup.exe\"\n"},
        {"TabInItem", base + "Action=RUN\tsetup.exe\n",
         "autorun.ini:8: error: \"RUN<TAB>setup.exe\" holds a tab: the menu separates words only "
         "by spaces, so the tab joins two words into one; use a space\n"},
        {"EmptyItem", base + "Action=RUN setup.exe|  |CLOSE\n",
         "autorun.ini:8: error: an empty item (two \"|\" in a row, or one at the start) ends the "
         "list: the menu never runs \"CLOSE\" and what follows; remove the extra \"|\"\n"},
        {"RunAlone", base + "Action=RUN\n",
         "autorun.ini:8: error: RUN needs a program: the menu skips \"RUN\"; write RUN "
         "setup.exe\n"},
        {"RunAbsolute", base + "Action=RUN C:\\Tools\\x.exe\n",
         "autorun.ini:8: error: \"C:\\Tools\\x.exe\" is an absolute path, but the menu puts its "
         "folder in front of every program path (C:\\menu\\C:\\Tools\\x.exe), which names "
         "nothing; name the program relative to the menu folder, or reach it through an alias, "
         "as in Tools+x.exe\n"},
        {"RunUndefinedAlias", base + "Action=RUN Viewer+view.exe\n[Registry]\nReader=V\\R\n",
         "autorun.ini:8: error: the alias \"Viewer\" in \"Viewer+view.exe\" is not defined in "
         "[Registry], so it reads as empty and the menu runs \"view.exe\" from wherever Windows "
         "finds it; define Viewer=Vendor\\Program\\Value in [Registry]\n"},
        {"RunPlusInFileName", base + "Action=RUN my+app.exe\n",
         "autorun.ini:8: error: the alias \"my\" in \"my+app.exe\" is not defined in [Registry], "
         "so it reads as empty and the menu runs \"app.exe\" from wherever Windows finds it (a "
         "\"+\" in a program path always means ALIAS+PATH, so the file my+app.exe in the folder "
         "is never run); define my=Vendor\\Program\\Value in [Registry]\n"},
        {"RunProgramMissing", base + "Action=RUN install.exe wait\n",
         "autorun.ini:8: error: the program \"install.exe\" is not in the menu folder: Windows is "
         "asked to start C:\\menu\\install.exe, and the click starts nothing\n"},
        {"RunFourWords", base + "Action=RUN setup.exe /s /v\n",
         "autorun.ini:8: warning: RUN takes a program and one argument (or wait): the menu "
         "ignores \"/v\" and the words after it in \"RUN setup.exe /s /v\"\n"},
        {"ShellWithoutOpen", base + "Action=SHELL print readme.txt\n",
         "autorun.ini:8: error: SHELL does only open: \"print\" is not open: the menu skips "
         "\"SHELL print readme.txt\"; write SHELL open FILE\n"},
        {"ShellWithoutFile", base + "Action=SHELL open\n",
         "autorun.ini:8: error: SHELL open needs a file: the menu skips \"SHELL open\"; write "
         "SHELL open readme.txt\n"},
        {"ShellFiveWords", base + "Action=SHELL open readme.txt docs a\n",
         "autorun.ini:8: warning: \"SHELL open readme.txt docs a\" has 5 words: with more than 4 "
         "the menu uses only the file and gives no directory; write SHELL open FILE DIRECTORY (a "
         "name cannot hold a space)\n"},
        {"ShellFileMissing", base + "Action=SHELL open manual.pdf\n",
         "autorun.ini:8: warning: the shell is asked to open \"manual.pdf\" in the menu's current "
         "directory, but it is not in the menu folder\n"},
        {"HiddenButtonsActionIsNotLookedAt", replaced(base, "Left=10\n", "") + "Action=RUN x.exe\n",
         "autorun.ini:4: warning: button 1 has no Left: the menu hides it; write Top=Y and "
         "Left=X in [Button1]\n"},
    };
}

std::vector<CheckCase> ruleCases() {
    std::string alias = "[Registry]\na=Vendor\\A\n";
    std::string two = replaced(base, "Buttons=1", "Buttons=2");
    return {
        {"RuleVerb",
         two +
             "Activate=TOGGLE BUTTON2 a|ENABLE BUTTON2 a\n[Button2]\nTop=40\nLeft=10\n"
             "NABitmap=b.bmp\n" +
             alias,
         "autorun.ini:8: error: \"TOGGLE\" is no rule verb (ENABLE or DISABLE): the menu stops "
         "reading this button's rules here, so \"ENABLE BUTTON2 a\" and what follows are "
         "ignored\n"},
        {"RuleWithoutButton", base + "Activate=ENABLE KNOPF1 a\n" + alias,
         "autorun.ini:8: error: \"KNOPF1\" names no button (write BUTTON1 to BUTTON9): the menu "
         "stops reading this button's rules here\n"},
        {"RuleTwoDigits", base + "Activate=ENABLE BUTTON12 a\n" + alias,
         "autorun.ini:8: error: \"BUTTON12\" names button 1: the menu reads only the one digit "
         "after BUTTON, so rules reach buttons 1 to 9 only\n"},
        {"RuleBeyondCount", base + "Activate=ENABLE BUTTON5 a\n" + alias,
         "autorun.ini:8: error: \"BUTTON5\" names button 5, but Buttons is 1: the menu skips this "
         "rule\n"},
        {"RuleZero", base + "Activate=ENABLE BUTTON0 a\n" + alias,
         "autorun.ini:8: error: \"BUTTON0\" names no button: the menu takes the button's number "
         "from the one digit after BUTTON (1 to 9) and skips this rule\n"},
        {"RuleUndefinedAlias", base + "Activate=DISABLE BUTTON1 installed\n",
         "autorun.ini:8: error: the alias \"installed\" is not defined in [Registry]: it reads as "
         "empty, so this rule always enables button 1; define installed=Vendor\\Program\\Value "
         "in [Registry]\n"},
        {"RuleEmptyItem", base + "Activate=ENABLE BUTTON1 a||DISABLE BUTTON1 a\n" + alias,
         "autorun.ini:8: error: an empty item (two \"|\" in a row, or one at the start) ends this "
         "button's rules, so \"DISABLE BUTTON1 a\" and what follows are ignored; remove the extra "
         "\"|\"\n"},
        {"RuleTab", base + "Activate=ENABLE\tBUTTON1 a|DISABLE BUTTON1 a\n" + alias,
         "autorun.ini:8: error: \"ENABLE<TAB>BUTTON1 a\" holds a tab: the menu separates words "
         "only by spaces, so the tab joins two words into one, and the rule ends this button's "
         "rules, so \"DISABLE BUTTON1 a\" and what follows are ignored; use a space\n"},
        {"RuleWithoutAlias", base + "Activate=ENABLE BUTTON1\n",
         "autorun.ini:8: warning: \"ENABLE BUTTON1\" names no alias: a rule is ENABLE BUTTON1 "
         "ALIAS, and the menu skips it\n"},
        {"RegistryLineWithoutEquals", base + "[Registry]\nTools\n",
         "autorun.ini:9: warning: no \"=\" on this line: it names the alias \"Tools\" without a "
         "registry value, so the alias always reads as empty; write "
         "Tools=Vendor\\Program\\Value\n"},
        {"RegistryIndentedComment", base + "[Registry]\n ; note = Vendor\\X\n",
         "autorun.ini:9: warning: only a \";\" in the very first column starts a comment: after "
         "the blank, this line defines an alias named \"; note\"; remove the blanks before "
         "\";\"\n"},
        {"RegistryDuplicate", base + "[Registry]\na=Vendor\\A\nA=Vendor\\B\n",
         "autorun.ini:10: warning: the alias \"A\" is defined again: the menu uses the first, on "
         "line 9; remove one of them\n"},
        {"RegistrySlash", base + "[Registry]\na=Vendor/App/Path\n",
         "autorun.ini:9: warning: a \"/\" does not separate keys in a registry path: the menu "
         "reads the value \"Vendor/App/Path\" of HKEY_CURRENT_USER\\Software; write "
         "a=Vendor\\App\\Path\n"},
    };
}

std::vector<CheckCase> mainCases() {
    return {
        {"ShowCaptionYes", replaced(base, "[Main]\n", "[Main]\nShowCaption=yes\n"),
         "autorun.ini:2: warning: ShowCaption=yes gives no caption: the menu shows one only for "
         "exactly 1; write ShowCaption=1, or 0 for none\n"},
        {"ShowCaptionZeroOne", replaced(base, "[Main]\n", "[Main]\nShowCaption=01\n"),
         "autorun.ini:2: warning: ShowCaption=01 gives no caption: the menu shows one only for "
         "exactly 1; write ShowCaption=1, or 0 for none\n"},
        {"IconMissing", replaced(base, "[Main]\n", "[Main]\nIcon=gone.ico\n"),
         "autorun.ini:2: error: the icon file \"gone.ico\" is not in the menu folder (the menu "
         "loads C:\\menu\\gone.ico): the window gets no icon\n"},
        {"IconNotAnIcon", replaced(base, "[Main]\n", "[Main]\nIcon=bad.ico\n"),
         "autorun.ini:2: error: \"bad.ico\" is no icon file: the window gets no icon; save the "
         "icon as a .ico file\n"},
        {"BackgroundMissing", replaced(base, "back.bmp", "gone.bmp"),
         "autorun.ini:2: error: the background picture \"gone.bmp\" is not in the menu folder: "
         "the window's client area is 0 x 0, so the menu shows no picture and no buttons\n"},
        {"BackgroundKeyMissing", replaced(base, "BackGround=back.bmp\n", ""),
         "autorun.ini:1: warning: no BackGround picture: the window's client area is 0 x 0, so "
         "the menu shows no picture and no buttons; write BackGround=background.bmp\n"},
        {"BackgroundUnreadable", replaced(base, "back.bmp", "rle.bmp"),
         "autorun.ini:2: error: the background picture \"rle.bmp\" cannot be shown: it is "
         "run-length compressed (RLE8); save it as an uncompressed 24-bit BMP\n"},
    };
}

std::string crlf(std::string text) {
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 2))
        text.replace(i, 1, "\r\n");
    return text;
}

std::vector<CheckCase> cleanCases() {
    std::string cr = base;
    for (char& c : cr) c = c == '\n' ? '\r' : c;
    return {
        {"Base", base, ""},
        {"CrLf", crlf(base), ""},
        {"CrOnly", cr, ""},
        {"HeaderFollowedByKey",
         "[Main]Buttons=1\nBackGround=back.bmp\n[Button1]\nTop=10\nLeft=10\nNABitmap=b.bmp\n", ""},
        {"TrailingBar", base + "Action=RUN setup.exe|\n", ""},
        {"ShowCaptionZero", replaced(base, "[Main]\n", "[Main]\nShowCaption=0\n"), ""},
        {"Cp1251Title", replaced(base, "[Main]\n", "[Main]\nAppName=\xCF\xF0\xE8\xE2\xE5\xF2\n"),
         ""},
        {"FeaturesUsedWell",
         crlf("; a start menu\n[Main]\nAppName=Demo Menu\nShowCaption=1\nIcon=menu.ico\n"
              "BackGround=back.bmp\nButtons=3\n\n[Registry]\n; where the viewer lives\n"
              "Viewer=Vendor\\Viewer\\Path\n\n[Button1]\nTop=10\nLeft=10\nNABitmap=b.bmp\n"
              "ABitmap=h.bmp\nPBitmap=h.bmp\nDBitmap=b.bmp\nAction=RUN setup.exe wait|REINIT\n\n"
              "[Button2]\nTop=40\nLeft=10\nNABitmap=b.bmp\nAction=SHELL open readme.txt .\\\n"
              "Activate=DISABLE BUTTON3 Viewer\n\n[Button3]\nTop=70\nLeft=10\nNABitmap=b.bmp\n"
              "Action=RUN Viewer+view.exe|CLOSE\n"),
         ""},
        // Two buttons in one place, of which the registry lets only one be enabled.
        {"AlternativesInOnePlace",
         replaced(base, "Buttons=1", "Buttons=2") +
             "Activate=ENABLE BUTTON2 a\n[Button2]\nTop=10\nLeft=10\nNABitmap=b.bmp\n"
             "[Registry]\na=Vendor\\A\n",
         ""},
    };
}

INSTANTIATE_TEST_SUITE_P(File, Findings, ::testing::ValuesIn(fileCases()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Buttons, Findings, ::testing::ValuesIn(buttonCases()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Actions, Findings, ::testing::ValuesIn(actionCases()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Rules, Findings, ::testing::ValuesIn(ruleCases()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Main, Findings, ::testing::ValuesIn(mainCases()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Clean, Findings, ::testing::ValuesIn(cleanCases()),
                         [](const auto& info) { return info.param.name; });

TEST_F(CheckTest, OverlapsFollowTheRulesWithTheRegistryGiven) {
    writeIni(replaced(base, "Buttons=1", "Buttons=2") +
             "Activate=ENABLE BUTTON2 a\n[Button2]\nTop=10\nLeft=10\nNABitmap=b.bmp\n"
             "[Registry]\na=Vendor\\A\n");
    writeFile(
        "set.reg",
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vendor]\r\n"
        "\"A\"=\"yes\"\r\n");
    ToolRun r = run({"check"}, {"--registry", path("set.reg")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out,
              "autorun.ini:9: warning: buttons 1 and 2 overlap from (10, 10) to (50, 30): a click "
              "there runs button 1, while button 2 is drawn on top; move them apart\n");
}

TEST_F(CheckTest, TheMenusBaseDirectoryDecidesWhereProgramsAreLookedFor) {
    writeIni(base + "Action=RUN setup.exe\n");
    EXPECT_EQ(run({"check"}, {"--cwd", "D:\\Menu"}).status, 0);
    writeIni(base + "Action=RUN Tools\\setup.exe\n");
    ToolRun r = run({"check"}, {"--cwd", "D:\\Menu"});
    EXPECT_EQ(
        r.out,
        "autorun.ini:8: error: the program \"Tools\\setup.exe\" is not in the menu folder: "
        "Windows is asked to start D:\\Menu\\Tools\\setup.exe, and the click starts nothing\n");
    writeFile("tools/SETUP.EXE", "MZ");
    EXPECT_EQ(run({"check"}, {"--cwd", "D:\\Menu"}).out, "");
}

TEST_F(CheckTest, AFolderWithoutAutorunIniIsOneError) {
    ToolRun r = run({"check"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "autorun.ini: error: there is no autorun.ini in the menu folder " + folder +
                         ": the menu shows an empty window without title, picture or buttons\n");
}

TEST_F(CheckTest, ArgumentsAreAUsageError) {
    writeIni(base);
    ToolRun r = run({"check", "extra"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "autorun-sim: check takes no arguments\n");
}

}  // namespace
}  // namespace autorun::testing
