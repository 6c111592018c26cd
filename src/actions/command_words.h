// How the menu reads the words of one item of an Action value: the command, and what makes
// RUN and SHELL do nothing or take their alias and directory forms.
#pragma once

#include <cstdint>

#include "config/text_string.h"

namespace autorun {

// The command of an item; endOfList for an item without words, which ends the list.
enum class Command { endOfList, run, shell, reinit, close, unknown };

// Reads an item of wordTotal words (words null when it has none, as itemWords gives them).
inline Command readCommand(int32_t wordTotal, const String* words) {
    if (words == nullptr || wordTotal <= 0) return Command::endOfList;
    if (equals(words[0], "RUN")) return Command::run;
    if (equals(words[0], "SHELL")) return Command::shell;
    if (equals(words[0], "REINIT")) return Command::reinit;
    if (equals(words[0], "CLOSE")) return Command::close;
    return Command::unknown;
}

// Why SHELL does nothing: a second word other than "open", or no file after it.
enum class ShellRefusal { none, notOpen, noFile };
inline ShellRefusal shellRefusal(uint32_t wordTotal, const String* words) {
    if (wordTotal < 2 || !equals(words[1], "open")) return ShellRefusal::notOpen;
    if (wordTotal < 3) return ShellRefusal::noFile;
    return ShellRefusal::none;
}

// Where a RUN program path splits into alias and rest: the index of its first "+", or -1 when
// the path is joined to the menu's folder.
inline int32_t aliasSeparator(const char* program) {
    return findChar('+', program);
}

}  // namespace autorun
