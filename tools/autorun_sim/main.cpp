// autorun-sim: runs the menu's own code on a simulated Windows to preview, trace and lint a menu.
#include <cstdio>
#include <string>

#include "tools/autorun_sim/options.h"

namespace {

const char* const usage =
    "Usage: autorun-sim [OPTIONS] COMMAND [ARGUMENTS]\n"
    "\n"
    "Runs the menu's own code on a simulated Windows, with a host folder standing for the\n"
    "folder that holds autorun.ini.\n"
    "\n"
    "Commands:\n"
    "  query SECTION KEY   print the value the menu reads for KEY in [SECTION]\n"
    "  aliases             print the [Registry] alias table: name, TAB, value\n"
    "  play [SCRIPT]       run the menu, feed it the events of SCRIPT (or standard input)\n"
    "                      and print every platform call it makes\n"
    "  check               report the lines of autorun.ini that do not do what they seem to\n"
    "\n"
    "Options:\n"
    "  --dir DIR               host folder standing for the menu's folder (default: .)\n"
    "  --cwd WINPATH           the menu's current directory text (default: C:\\menu)\n"
    "  --registry FILE.reg     registry contents below HKEY_CURRENT_USER, as exported\n"
    "  --screen WxH            screen size in pixels (default: 1024x768)\n"
    "  --metrics C,FX,FY       caption height, frame width and height (default: 19,4,4)\n"
    "  --wait-slices N         waits of 200 ms a started program lasts (default: 2)\n"
    "  --codepage N            the machine's ANSI code page (default: 1252)\n"
    "  --help                  print this help\n"
    "\n"
    "Exit status: 0 when done, 1 when check found something, 2 for bad usage or input.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace autorun::tool;
    Options options;
    std::string error;
    bool help = false;
    if (!parseOptions(argc, argv, options, error, help)) return fail(error);
    if (help) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (options.command == "query") return runQuery(options);
    if (options.command == "aliases") return runAliases(options);
    if (options.command == "play") return runPlay(options);
    if (options.command == "check") return runCheck(options);
    return fail("unknown command \"" + options.command + "\" (see --help)");
}
