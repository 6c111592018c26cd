// autorun-sim query and aliases: what the menu reads from its file and from the registry.
#include <cstdio>

#include "config/application.h"
#include "tools/autorun_sim/options.h"

namespace autorun::tool {

int runQuery(const Options& options) {
    if (options.arguments.size() != 2)
        return fail("query wants SECTION KEY, such as: query Main AppName");
    std::string error;
    if (!prepareMachine(options, error)) return fail(error);
    Application app;
    app.lookup(options.arguments[0].c_str(), options.arguments[1].c_str());
    if (app.currentValue.length() > 0) {
        std::fwrite(app.currentValue.text(), 1, static_cast<size_t>(app.currentValue.length()),
                    stdout);
    }
    std::fputc('\n', stdout);
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
        if (entry.name.length() > 0)
            std::fwrite(entry.name.text(), 1, static_cast<size_t>(entry.name.length()), stdout);
        std::fputc('\t', stdout);
        if (entry.value.length() > 0)
            std::fwrite(entry.value.text(), 1, static_cast<size_t>(entry.value.length()), stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}

}  // namespace autorun::tool
