// Checks of the buttons' Action values: the commands, their words and the programs they name.
#include "tools/autorun_sim/check_context.h"

namespace autorun::tool {

namespace {

bool aliasDefined(CheckContext& c, const std::string& name) {
    String ignored;
    return c.app.aliases.findAlias(name.c_str(), ignored);
}

void checkRun(CheckContext& c, int32_t at, const Item& item) {
    const std::vector<std::string>& w = item.words;
    if (w.size() < 2) {
        c.error(at,
                "RUN needs a program: the menu skips \"" + item.text + "\"; write RUN setup.exe");
        return;
    }
    if (w.size() >= 4) {
        c.warn(at, "RUN takes a program and one argument (or wait): the menu ignores " +
                       quote(w[3]) + " and the words after it in " + quote(item.text));
    }
    const std::string& program = w[1];
    c.fileName(at, program);
    int32_t separator = aliasSeparator(program.c_str());
    if (separator >= 0) {
        size_t plus = static_cast<size_t>(separator);
        std::string alias = program.substr(0, plus);
        if (aliasDefined(c, alias)) return;
        std::string rest = program.substr(plus + 1);
        std::string file = c.inFolder(program);
        std::string meant = c.hostFile(file) ? " (a \"+\" in a program path always means "
                                               "ALIAS+PATH, so the file " +
                                                   program + " in the folder is never run)"
                                             : "";
        c.error(at, "the alias " + quote(alias) + " in " + quote(program) +
                        " is not defined in [Registry], so it reads as empty and the menu runs " +
                        quote(rest) + " from wherever Windows finds it" + meant + "; define " +
                        alias + "=Vendor\\Program\\Value in [Registry]");
        return;
    }
    if (looksAbsolute(program)) {
        c.error(at, quote(program) +
                        " is an absolute path, but the menu puts its folder in front "
                        "of every program path (" +
                        c.shownPath(c.inFolder(program)) +
                        "), which names nothing; name the program relative to the menu folder, "
                        "or reach it through an alias, as in Tools+x.exe");
        return;
    }
    std::string path = c.inFolder(program);
    if (!c.hostFile(path)) {
        c.error(at, "the program " + quote(program) +
                        " is not in the menu folder: Windows is "
                        "asked to start " +
                        c.shownPath(path) + ", and the click starts nothing");
    }
}

void checkShell(CheckContext& c, int32_t at, const Item& item) {
    const std::vector<std::string>& w = item.words;
    if (item.shell == ShellRefusal::notOpen) {
        std::string verb = w.size() >= 2 ? quote(w[1]) + " is not open: " : "";
        c.error(at, "SHELL does only open: " + verb + "the menu skips " + quote(item.text) +
                        "; write SHELL open FILE");
        return;
    }
    if (item.shell == ShellRefusal::noFile) {
        c.error(at, "SHELL open needs a file: the menu skips " + quote(item.text) +
                        "; write SHELL open readme.txt");
        return;
    }
    if (w.size() >= 5) {
        c.warn(at, quote(item.text) + " has " + std::to_string(w.size()) +
                       " words: with more than 4 the menu uses only the file and gives no "
                       "directory; write SHELL open FILE DIRECTORY (a name cannot hold a space)");
    }
    const std::string& file = w[2];
    c.fileName(at, file);
    if (w.size() >= 4) c.fileName(at, w[3]);
    // Names with a colon are drives or addresses (http:, mailto:) the shell resolves itself.
    if (file.find(':') == std::string::npos && !looksAbsolute(file) &&
        !c.hostFile(c.systemPath(file))) {
        c.warn(at, "the shell is asked to open " + quote(file) +
                       " in the menu's current directory, but it is not in the menu folder");
    }
}

}  // namespace

void checkActions(CheckContext& c) {
    uint32_t buttons = std::min(c.buttonCount(), c.highestButtonSection());
    for (uint32_t n = 1; n <= buttons; ++n) {
        std::string section = sectionOfButton(n);
        if (c.answer(section, keys::top).value.empty() ||
            c.answer(section, keys::left).value.empty())
            continue;
        Answer action = c.answer(section, keys::action);
        if (action.value.empty()) continue;
        std::vector<Item> items = splitItems(action.value);
        for (size_t i = 0; i < items.size(); ++i) {
            const Item& item = items[i];
            if (item.command == Command::endOfList) {
                if (wordsAfter(items, i)) {
                    c.error(action.offset,
                            "an empty item (two \"|\" in a row, or one at the "
                            "start) ends the list: the menu never runs " +
                                quote(nextWithWords(items, i)) +
                                " and what follows; remove the extra \"|\"");
                }
                break;
            }
            if (item.holdsControl) {
                c.error(action.offset, quote(shown(item)) +
                                           " holds a tab: the menu separates words only by "
                                           "spaces, so the tab joins two words into one; use a "
                                           "space");
                continue;
            }
            if (item.command == Command::run) {
                checkRun(c, action.offset, item);
            } else if (item.command == Command::shell) {
                checkShell(c, action.offset, item);
            } else if (item.command == Command::unknown) {
                c.error(action.offset, "unknown command " + quote(item.words[0]) +
                                           ": the menu knows RUN, SHELL, REINIT and CLOSE, and "
                                           "skips " +
                                           quote(item.text));
            }
        }
    }
}

}  // namespace autorun::tool
