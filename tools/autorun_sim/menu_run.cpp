// The menu run and the event delivery shared by play and the designer page.
#include "tools/autorun_sim/menu_run.h"

#include "config/application.h"
#include "platform/sim/sim.h"

namespace autorun::tool {

void deliverEvent(const Event& event) {
    switch (event.kind) {
        case EventKind::move:
            sim::move(event.x, event.y);
            break;
        case EventKind::down:
            sim::press(event.x, event.y);
            break;
        case EventKind::doubleClick:
            sim::doubleClick(event.x, event.y);
            break;
        case EventKind::key:
            sim::pressKey(event.virtualKey, event.shift, event.alt, event.repeats);
            break;
        case EventKind::message:
            sim::postToWindow(event.message);
            break;
        case EventKind::erase:
            sim::invalidate(true);
            break;
        case EventKind::registrySet:
            sim::setRegistryString(event.key, event.name, event.value);
            break;
        case EventKind::registryDelete:
            sim::deleteRegistryValue(event.key, event.name);
            break;
        case EventKind::accessible:
            sim::askAccessibleObject(event.child);
            break;
        case EventKind::shot:
        case EventKind::nothing:
            break;
    }
}

void runMenu(std::function<bool()> idle, std::function<void(const std::string&)> sink) {
    sim::setTraceSink(std::move(sink));
    sim::setIdleHandler(std::move(idle));
    {
        Application app;
        WinMain(nullptr, nullptr, nullptr, 0);
    }
    sim::setIdleHandler(nullptr);
    sim::setTraceSink(nullptr);
}

}  // namespace autorun::tool
