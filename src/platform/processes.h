// Starting programs and waiting for them.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace autorun::platform {

struct StartedProcess {
    ProcessHandle process = nullptr;
    ProcessHandle thread = nullptr;
};

enum class StartResult { started, failed, elevationRequired };
enum class WaitResult { ended, running };

// CreateProcessW with the program taken from the writable commandLine, no inherited handles,
// normal priority and workingDirectory (null: the menu's own); elevationRequired reports the
// refusal that installers marked as needing administrator rights get.
StartResult startProcess(char* commandLine, const char* workingDirectory, StartedProcess& out);
// Starts program with argument (null: none) through the shell, which asks for elevation;
// the process handle, or null when there is none to wait for.
ProcessHandle startThroughShell(const char* program, const char* argument,
                                const char* workingDirectory);
// Waits at most milliseconds for the process to end.
WaitResult waitProcess(ProcessHandle process, uint32_t milliseconds);
// Releases a process or thread handle; null is ignored.
void closeHandle(ProcessHandle handle);

}  // namespace autorun::platform
