// What the checks of autorun-sim check share: the file's bytes and lines, the program's own
// reading of them on the simulated platform, and the findings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "actions/command_words.h"
#include "buttons/activate_rule.h"
#include "config/application.h"
#include "tools/autorun_sim/options.h"

namespace autorun::tool {

enum class Severity { warning, error };

struct Finding {
    int32_t line = 0;  // 0: about the file as a whole
    Severity severity = Severity::warning;
    std::string text;
};

// One line of a section as the menu's line iterator delivers it.
struct SectionLine {
    int32_t offset = 0;
    std::string text;
};

// The line that answers a lookup, as the menu decides it.
struct Answer {
    bool found = false;
    int32_t offset = -1;
    std::string line;
    std::string value;
};

// The sections and keys the menu reads.
extern const char* const mainKeys[];
extern const char* const buttonKeys[];
extern const char* const pictureRoles[4];

class CheckContext {
  public:
    CheckContext(const Options& options, Application& app, std::string fileBytes);
    CheckContext(const CheckContext&) = delete;
    CheckContext& operator=(const CheckContext&) = delete;

    const Options& options;
    Application& app;

    // The whole file as the menu holds it (without the byte-order mark of a UTF-8 file), and how
    // much of it the menu sees: everything before the first NUL.
    const std::string& bytes() const { return bytes_; }
    int32_t visibleSize() const { return visible_; }

    // Line numbers count CR LF, LF and a lone CR as one line end each, as editors do.
    int32_t lineOf(int32_t offset) const;
    int32_t lineStart(int32_t offset) const;
    int32_t lineEnd(int32_t offset) const;
    std::string lineAt(int32_t offset) const;
    // Whether only blanks stand before offset on its line.
    bool startsLine(int32_t offset) const;
    // Whether the line holding offset is a comment: its first non-blank byte is ";".
    bool inComment(int32_t offset) const;

    void warn(int32_t offset, const std::string& text);
    void error(int32_t offset, const std::string& text);
    const std::vector<Finding>& findings() const { return findings_; }
    // A name of a file, program or folder as the file writes it, on the line at offset. The
    // first that reads differently on a machine of another code page gets one warning, made by
    // warnCodePageName once every name is in.
    void fileName(int32_t offset, const std::string& name);
    void warnCodePageName();

    // The offset of the "[" of the first "[name]" in the text, as the menu finds it; -1.
    int32_t headerOffset(const std::string& section);
    // The line that answers key in section, through the menu's own lookup machinery.
    Answer answer(const std::string& section, const std::string& key);
    // Every line of the section as the menu walks it.
    std::vector<SectionLine> sectionLines(const std::string& section);

    // The background as the menu loads it, once checkMain has looked at it.
    bool backgroundShown = false;
    int32_t backgroundWidth = 0;
    int32_t backgroundHeight = 0;

    // The number of buttons the menu builds.
    uint32_t buttonCount() const { return buttonCount_; }
    // The highest n for which "[Button<n>]" occurs in the text; the sections above do not exist.
    uint32_t highestButtonSection() const { return highestSection_; }
    std::string baseDirectory() const;
    // The path the menu makes of a file name of its folder, in UTF-8.
    std::string inFolder(const std::string& name) const;
    // A path written in the file as the menu hands it to the system, in UTF-8.
    std::string systemPath(const std::string& path) const;
    // A path of the system (UTF-8) in a finding, which is written in the file's encoding: in an
    // 8-bit file the characters its code page lacks show as "?".
    std::string shownPath(const std::string& path) const;
    // The host file a path of the menu (UTF-8) names, when it exists in the menu's folder.
    std::optional<std::string> hostFile(const std::string& windowsPath) const;

  private:
    void add(int32_t offset, Severity severity, const std::string& text);

    std::string bytes_;
    int32_t visible_ = 0;
    std::vector<int32_t> lineStarts_;
    std::vector<Finding> findings_;
    uint32_t buttonCount_ = 0;
    uint32_t highestSection_ = 0;
    int32_t codePageNameOffset_ = -1;
    std::string codePageName_;
};

// Text helpers shared by the checks.
std::string trimmed(const std::string& text);
bool sameName(const std::string& a, const std::string& b);
bool isPlainNumber(const std::string& text, bool signAllowed);
bool looksAbsolute(const std::string& path);
std::string quote(const std::string& text);
std::string sectionOfButton(uint32_t number);

// Reads one picture as the menu does and reports, at offset, why it cannot be shown or shows
// other than the file looks; what names the picture in the messages ("the hover picture").
struct PictureInfo {
    bool exists = false;
    bool shown = false;
    int32_t width = 0;
    int32_t height = 0;
};
PictureInfo inspectPicture(CheckContext& context, int32_t offset, const std::string& what,
                           const std::string& value, const std::string& path);

// One item of an Action or Activate value, cut and split as the menu's interpreters do.
struct Item {
    std::string text;  // trimmed
    std::vector<std::string> words;
    bool holdsControl = false;             // a tab or another blank that is no separator
    Command command = Command::endOfList;  // as an Action item
    ActivateRule rule;                     // as an Activate item; its alias is not kept
    bool ruleNamesAlias = false;
    bool plainTarget = false;
    ShellRefusal shell = ShellRefusal::notOpen;
};
std::vector<Item> splitItems(const std::string& value);
// The item's text with its tabs shown as <TAB>.
std::string shown(const Item& item);
// Whether a later item than index holds a word, and the first such item's text.
bool wordsAfter(const std::vector<Item>& items, size_t index);
std::string nextWithWords(const std::vector<Item>& items, size_t index);

// The finding's message in UTF-8, with the file's texts it quotes as the menu shows them.
std::string shownText(const Finding& finding);

// Every finding about the menu folder of the prepared machine, sorted by line.
std::vector<Finding> collectFindings(const Options& options);

// The checks, each over one area of the file.
// False when the file cannot be read as text at all and nothing else is worth a look.
bool checkEncoding(CheckContext& context);
void checkSections(CheckContext& context);
void checkKeys(CheckContext& context);
void checkMain(CheckContext& context);
void checkButtons(CheckContext& context);
void checkActions(CheckContext& context);
void checkRules(CheckContext& context);
void checkRegistry(CheckContext& context);

}  // namespace autorun::tool
