// Simulated programs, which end after a set number of waits, and the shell's "open".
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/sim/sim_world.h"

namespace autorun::sim {

namespace {

uintptr_t addProcess(bool isThread) {
    uintptr_t h = newHandle();
    world().processes[h] = SimProcess{isThread, world().waitSlices};
    return h;
}

std::optional<std::string> optionalText(const char* text) {
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

}  // namespace

void setWaitSlices(int32_t slices) {
    world().waitSlices = slices;
}

void endPrograms() {
    for (auto& [handle, process] : world().processes) process.slicesLeft = 0;
}

void setProcessHook(std::function<void(const ProcessRecord&)> hook) {
    world().processHook = std::move(hook);
}

void setElevationRequired(std::function<bool(const std::string&)> predicate) {
    world().elevationRequired = std::move(predicate);
}

void setElevationDeclined(bool declined) {
    world().elevationDeclined = declined;
}

void setProgramMissing(std::function<bool(const std::string&)> predicate) {
    world().programMissing = std::move(predicate);
}

void setWaitHook(std::function<void(int32_t)> hook) {
    world().waitHook = std::move(hook);
}

const std::vector<ProcessRecord>& startedProcesses() {
    return world().started;
}

const std::vector<ShellOpenRecord>& shellOpens() {
    return world().opens;
}

int32_t openProcessHandles() {
    return static_cast<int32_t>(world().processes.size());
}

}  // namespace autorun::sim

namespace autorun::platform {

using namespace sim;

StartResult startProcess(char* commandLine, const char* workingDirectory, StartedProcess& out) {
    World& w = world();
    std::string line = commandLine != nullptr ? commandLine : "";
    StartResult result = StartResult::started;
    if (line.empty() || (w.programMissing && w.programMissing(line)))
        result = StartResult::failed;
    else if (w.elevationRequired && w.elevationRequired(line))
        result = StartResult::elevationRequired;
    record("CreateProcessW cmdline=" + quoted(commandLine) + " dir=" + quoted(workingDirectory) +
           " flags=0x20 result=" +
           (result == StartResult::started  ? "started"
            : result == StartResult::failed ? "failed"
                                            : "elevation-required"));
    if (result != StartResult::started) return result;
    ProcessRecord process{line, optionalText(workingDirectory), false, std::nullopt};
    w.started.push_back(process);
    out.process = handle<ProcessHandle>(addProcess(false));
    out.thread = handle<ProcessHandle>(addProcess(true));
    if (w.processHook) w.processHook(process);
    return result;
}

ProcessHandle startThroughShell(const char* program, const char* argument,
                                const char* workingDirectory) {
    World& w = world();
    record("ShellExecuteExW op=\"open\" file=" + quoted(program) + " params=" + quoted(argument) +
           " dir=" + quoted(workingDirectory) +
           " mask=0x40 result=" + (w.elevationDeclined ? "declined" : "started"));
    if (w.elevationDeclined) return nullptr;
    ProcessRecord process{program != nullptr ? program : "", optionalText(workingDirectory), true,
                          optionalText(argument)};
    w.started.push_back(process);
    ProcessHandle h = handle<ProcessHandle>(addProcess(false));
    if (w.processHook) w.processHook(process);
    return h;
}

WaitResult waitProcess(ProcessHandle process, uint32_t milliseconds) {
    World& w = world();
    ++w.waits;
    if (w.waitHook) w.waitHook(w.waits);
    auto it = w.processes.find(id(process));
    bool running = it != w.processes.end() && it->second.slicesLeft > 0;
    if (running) --it->second.slicesLeft;
    record("WaitForSingleObject ms=" + std::to_string(milliseconds) +
           " result=" + (running ? "timeout" : "ended"));
    return running ? WaitResult::running : WaitResult::ended;
}

void closeHandle(ProcessHandle h) {
    if (h == nullptr) return;
    record("CloseHandle");
    world().processes.erase(id(h));
}

void shellOpen(const char* file, const char* directory) {
    record("ShellExecuteW op=\"open\" file=" + quoted(file) + " dir=" + quoted(directory) +
           " show=10");
    world().opens.push_back(ShellOpenRecord{file != nullptr ? file : "", optionalText(directory)});
}

}  // namespace autorun::platform
