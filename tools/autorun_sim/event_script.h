// The event language of autorun-sim play: one pointer, key, window, registry or screenshot event a
// line.
#pragma once

#include <cstdint>
#include <string>

namespace autorun::tool {

enum class EventKind {
    nothing,  // a blank line or a # comment
    move,
    down,
    doubleClick,
    key,
    message,
    erase,
    registrySet,
    registryDelete,
    accessible,
    shot,
};

struct Event {
    EventKind kind = EventKind::nothing;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t message = 0;
    // A key event: the virtual key, what is held with it, and how often it repeats.
    uint32_t virtualKey = 0;
    bool shift = false;
    bool alt = false;
    int32_t repeats = 0;
    // An accessible event: the child whose default action is done, 0 for none.
    uint32_t child = 0;
    std::string key;
    std::string name;
    std::string value;
    std::string path;
};

// Reads one script line (a trailing CR is ignored). False with a one-line reason, naming what
// was expected, when the line is no event.
bool parseEvent(const std::string& line, Event& event, std::string& error);

}  // namespace autorun::tool
