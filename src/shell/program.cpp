// The program's single Application, built before the entry function runs and destroyed at exit.
#include <cstdlib>
#include <new>

#include "config/application.h"
#include "platform/startup.h"

namespace autorun {

namespace {

alignas(Application) unsigned char storage[sizeof(Application)];

void destroyApplication() {
    reinterpret_cast<Application*>(storage)->~Application();
}

struct StaticStart {
    StaticStart() {
        platform::hardenProcess();
        new (storage) Application();
        std::atexit(destroyApplication);
    }
};

StaticStart start;

}  // namespace

}  // namespace autorun
