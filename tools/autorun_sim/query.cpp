// autorun-sim query and aliases: what the menu reads from its file and from the registry, in
// UTF-8.
#include <cstdio>

#include "config/application.h"
#include "config/text_encoding.h"
#include "platform/sim/sim.h"
#include "tools/autorun_sim/options.h"

namespace autorun::tool {

namespace {

// Prints a UTF-8 text followed by end.
void printLine(const String& text, const char* end) {
    if (text.length() > 0) std::fwrite(text.text(), 1, static_cast<size_t>(text.length()), stdout);
    std::fputs(end, stdout);
}

}  // namespace

int runQuery(const Options& options) {
    if (options.arguments.size() != 2)
        return fail("query wants SECTION KEY, such as: query Main AppName");
    std::string error;
    if (!prepareMachine(options, error)) return fail(error);
    Application app;
    // The names on the command line are UTF-8; an 8-bit file holds them in its code page.
    bool ansi = textEncoding() == TextEncoding::ansi;
    std::string section = ansi ? sim::toCodePage(options.arguments[0]) : options.arguments[0];
    std::string key = ansi ? sim::toCodePage(options.arguments[1]) : options.arguments[1];
    app.lookup(section.c_str(), key.c_str());
    printLine(systemText(app.currentValue.text()), "\n");
    return 0;
}

int runAliases(const Options& options) {
    if (!options.arguments.empty()) return fail("aliases takes no arguments");
    std::string error;
    if (!prepareMachine(options, error)) return fail(error);
    Application app;
    app.reloadAliases();
    for (uint32_t i = 0; i < app.aliases.count; ++i) {
        const AliasEntry& entry = app.aliases.entries[i];
        printLine(systemText(entry.name.text()), "\t");
        printLine(entry.value, "\n");
    }
    return 0;
}

}  // namespace autorun::tool
