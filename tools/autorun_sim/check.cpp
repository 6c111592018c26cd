// autorun-sim check: finds the lines of autorun.ini that silently change what the menu does and
// reports them as a compiler does, one finding a line.
#include <algorithm>
#include <cstdio>

#include "config/text_encoding.h"
#include "platform/sim/sim.h"
#include "tools/autorun_sim/check_context.h"

namespace autorun::tool {

namespace {

void print(const Finding& finding) {
    std::string where = finding.line > 0 ? "autorun.ini:" + std::to_string(finding.line) + ":"
                                         : std::string("autorun.ini:");
    const char* kind = finding.severity == Severity::error ? "error" : "warning";
    std::printf("%s %s: %s\n", where.c_str(), kind, shownText(finding).c_str());
}

}  // namespace

std::string shownText(const Finding& finding) {
    String text(systemText(finding.text.c_str()));
    return text.length() > 0 ? text.text() : "";
}

std::vector<Finding> collectFindings(const Options& options) {
    Application app;
    std::optional<std::string> host =
        sim::resolvePath(std::string(app.baseDirectory.text()) + "autorun.ini");
    std::optional<std::string> read = host ? sim::readHostFile(*host) : std::nullopt;
    if (!read || app.configText == nullptr) {
        return {Finding{0, Severity::error,
                        "there is no autorun.ini in the menu folder " + options.dir +
                            ": the menu shows an empty window without title, picture or buttons"}};
    }
    std::string bytes = std::move(*read);
    if (textEncoding() == TextEncoding::utf8) bytes.erase(0, byteOrderMarkSize);
    CheckContext context(options, app, bytes);
    if (checkEncoding(context)) {
        checkSections(context);
        checkKeys(context);
        checkMain(context);
        checkButtons(context);
        app.reloadAliases();
        checkActions(context);
        checkRules(context);
        checkRegistry(context);
        context.warnCodePageName();
    }

    std::vector<Finding> findings = context.findings();
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return findings;
}

int runCheck(const Options& options) {
    if (!options.arguments.empty()) return fail("check takes no arguments");
    std::string error;
    if (!prepareMachine(options, error)) return fail(error);
    std::vector<Finding> findings = collectFindings(options);
    for (const Finding& finding : findings) print(finding);
    return findings.empty() ? 0 : 1;
}

}  // namespace autorun::tool
