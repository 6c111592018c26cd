// Checks of the [Registry] section: every line is an alias, comments only in the first column.
#include "tools/autorun_sim/check_context.h"

namespace autorun::tool {

void checkRegistry(CheckContext& c) {
    int32_t header = c.headerOffset("Registry");
    if (header < 0 || !c.startsLine(header)) return;
    std::vector<std::pair<std::string, int32_t>> seen;
    for (const SectionLine& line : c.sectionLines("Registry")) {
        if (line.text[0] == ';') continue;
        std::string text = trimmed(line.text);
        if (text.empty()) continue;
        size_t equalsSign = line.text.find('=');
        std::string name =
            trimmed(equalsSign == std::string::npos ? line.text : line.text.substr(0, equalsSign));
        if (text[0] == ';') {
            c.warn(line.offset,
                   "only a \";\" in the very first column starts a comment: after "
                   "the blank, this line defines an alias named " +
                       quote(name) + "; remove the blanks before \";\"");
            continue;
        }
        if (equalsSign == std::string::npos) {
            c.warn(line.offset, "no \"=\" on this line: it names the alias " + quote(name) +
                                    " without a registry value, so the alias always reads as "
                                    "empty; write " +
                                    name + "=Vendor\\Program\\Value");
            continue;
        }
        if (name.empty()) {
            c.warn(line.offset,
                   "no alias name before \"=\": nothing can use this line; write Name=" +
                       trimmed(line.text.substr(equalsSign + 1)));
            continue;
        }
        bool repeated = false;
        for (const auto& [earlier, offset] : seen) {
            if (!sameName(earlier, name)) continue;
            c.warn(line.offset, "the alias " + quote(name) +
                                    " is defined again: the menu uses the first, on line " +
                                    std::to_string(c.lineOf(offset)) + "; remove one of them");
            repeated = true;
            break;
        }
        if (repeated) continue;
        seen.emplace_back(name, line.offset);
        std::string path = trimmed(line.text.substr(equalsSign + 1));
        if (path.find('/') != std::string::npos) {
            // The menu splits "Software\" + path at its last backslash only.
            std::string full = "Software\\" + path;
            size_t split = full.rfind('\\');
            std::string fixed = path;
            for (char& ch : fixed) ch = ch == '/' ? '\\' : ch;
            c.warn(line.offset,
                   "a \"/\" does not separate keys in a registry path: the menu "
                   "reads the value " +
                       quote(full.substr(split + 1)) + " of HKEY_CURRENT_USER\\" +
                       full.substr(0, split) + "; write " + name + "=" + fixed);
        }
    }
}

}  // namespace autorun::tool
