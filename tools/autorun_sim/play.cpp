// autorun-sim play: runs the whole program on the simulated platform, feeds it the events of a
// script between messages and prints every platform call it makes.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/sim/sim.h"
#include "tools/autorun_sim/event_script.h"
#include "tools/autorun_sim/menu_run.h"
#include "tools/autorun_sim/options.h"
#include "tools/autorun_sim/png_writer.h"

namespace autorun::tool {

namespace {

// Hands the program one event each time its queue runs dry, so that every message an event
// causes has been handled before the next line is read.
class Player {
  public:
    Player(std::istream& in, std::string name) : in_(in), name_(std::move(name)) {}

    // The idle handler: false once the script has ended or failed.
    bool step() {
        if (stopped_) return false;
        Event event;
        if (!nextEvent(event)) {
            stopped_ = true;
            return false;
        }
        if (!deliver(event)) {
            stopped_ = true;
            return false;
        }
        return true;
    }

    // After the program has ended: the lines it did not take are still checked.
    void finish() {
        if (failed_) return;
        Event event;
        int32_t firstUnplayed = 0;
        while (nextEvent(event)) {
            if (firstUnplayed == 0) firstUnplayed = lineNumber_;
        }
        if (!failed_ && firstUnplayed > 0) {
            std::fflush(stdout);
            std::fprintf(stderr,
                         "autorun-sim: %s:%d: the menu had already closed; this event and the "
                         "ones after it were not played\n",
                         name_.c_str(), firstUnplayed);
        }
    }

    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }

  private:
    // The next line that holds an event; false at the end of the script or at a bad line.
    bool nextEvent(Event& event) {
        std::string line;
        while (!failed_ && std::getline(in_, line)) {
            ++lineNumber_;
            // Windows editors may begin a UTF-8 file with a byte-order mark.
            if (lineNumber_ == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
            std::string reason;
            if (!parseEvent(line, event, reason)) {
                fail(reason);
                return false;
            }
            if (event.kind != EventKind::nothing) return true;
        }
        return false;
    }

    bool deliver(const Event& event) {
        if (event.kind != EventKind::shot) {
            deliverEvent(event);
            return true;
        }
        std::string reason;
        if (!writePng(event.path, sim::clientImage(sim::mainWindow()), reason)) {
            fail("shot: " + reason);
            return false;
        }
        return true;
    }

    void fail(const std::string& reason) {
        failed_ = true;
        error_ = name_ + ":" + std::to_string(lineNumber_) + ": " + reason;
    }

    std::istream& in_;
    std::string name_;
    int32_t lineNumber_ = 0;
    bool stopped_ = false;
    bool failed_ = false;
    std::string error_;
};

void printTraceLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

int runPlay(const Options& options) {
    if (options.arguments.size() > 1) return fail("play wants at most one SCRIPT file");
    std::ifstream file;
    std::string name = "stdin";
    bool fromFile = !options.arguments.empty() && options.arguments[0] != "-";
    if (fromFile) {
        name = options.arguments[0];
        file.open(name, std::ios::binary);
        if (!file) return fail("the script " + name + " cannot be read");
    }
    std::string error;
    if (!prepareMachine(options, error)) return fail(error);

    Player player(fromFile ? static_cast<std::istream&>(file) : std::cin, name);
    runMenu([&player] { return player.step(); }, printTraceLine);
    player.finish();
    std::fflush(stdout);
    if (player.failed()) return fail(player.error());
    return 0;
}

}  // namespace autorun::tool
