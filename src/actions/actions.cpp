// The command language of a button's Action value: RUN, SHELL, REINIT and CLOSE.
#include "actions/command_words.h"
#include "config/application.h"
#include "config/text_encoding.h"
#include "platform/processes.h"
#include "platform/shell.h"
#include "platform/window_system.h"

namespace autorun {

namespace {

constexpr uint32_t waitSlice = 200;

// The index of the path's last "\" or "/", or -1.
int32_t lastSeparator(const char* path) {
    for (int32_t i = textSize(path) - 2; i >= 0; --i) {
        if (path[i] == '\\' || path[i] == '/') return i;
    }
    return -1;
}

bool holdsSpace(const char* text) {
    return findChar(' ', text) >= 0;
}

}  // namespace

void Application::runAction(int32_t index) {
    lookup(buttonSection(static_cast<uint32_t>(index) + 1).text(), keys::action);
    if (currentValue.length() == 0) return;
    String list(currentValue);
    char* item = list.text();
    if (item == nullptr) return;
    for (;;) {
        char* next = cutItem(item);
        int32_t n = 0;
        String* words = itemWords(item, n);
        uint32_t total = static_cast<uint32_t>(n);
        Command command = readCommand(n, words);
        if (command == Command::endOfList) return;
        if (command == Command::run)
            runCommand(total, words);
        else if (command == Command::shell)
            shellCommand(total, words);
        else if (command == Command::reinit)
            postReinit();
        else if (command == Command::close)
            postClose();
        delete[] words;
        if (next == nullptr) return;
        item = next;
    }
}

void Application::runCommand(uint32_t wordTotal, String* words) {
    if (wordTotal < 2 || words[1].length() == 0) return;
    char* program = words[1].text();
    int32_t plus = aliasSeparator(program);
    if (plus >= 0) {
        program[plus] = '\0';
        aliases.findAlias(program, currentValue);
        words[1].assign(concat(currentValue, systemText(program + plus + 1).text()));
    } else {
        words[1].assign(inFolder(program));
    }
    if (words[1].length() == 0) return;

    String path(words[1]);
    String directory;
    int32_t separator = lastSeparator(path.text());
    if (separator > 0) directory.assignBytes(path.text(), separator);

    bool wait = wordTotal >= 3 && equals(words[2], "wait");
    if (wordTotal >= 3 && !wait) words[2].assign(systemText(words[2].text()));
    const char* argument = wordTotal >= 3 && !wait ? words[2].text() : nullptr;
    // Unquoted, a path with a space lets the system try shorter names first ("D:\My.exe" for
    // "D:\My Menu\setup.exe"), so such a path goes to it in quotes.
    String commandLine(holdsSpace(path.text()) ? concat(concat(String("\""), path), "\"") : path);
    if (argument != nullptr) commandLine.assign(concat(concat(commandLine, " "), argument));
    if (commandLine.length() == 0) return;

    platform::StartedProcess started;
    platform::StartResult result =
        platform::startProcess(commandLine.text(), directory.text(), started);
    if (result == platform::StartResult::elevationRequired) {
        // Installers that need administrator rights are refused by CreateProcess; the shell
        // starts them after the usual elevation prompt.
        started.process = platform::startThroughShell(path.text(), argument, directory.text());
        started.thread = nullptr;
    } else if (result == platform::StartResult::failed) {
        return;
    }
    if (wait && started.process != nullptr) waitForProgram(started.process);
    platform::closeHandle(started.thread);
    platform::closeHandle(started.process);
}

void Application::waitForProgram(ProcessHandle process) {
    while (platform::waitProcess(process, waitSlice) == platform::WaitResult::running) {
        WindowHandle window = mainWindow.hwnd;
        platform::sendMessage(window, wm::eraseBackground, 0, 0);
        platform::updateWindow(window);
        // A window that has not looked at its queue for 5 seconds is marked as not responding.
        // Peeking removes nothing, so the pointer is still handled only after the wait.
        Message ignored;
        platform::peekMessage(ignored, false);
    }
}

void Application::shellCommand(uint32_t wordTotal, String* words) {
    if (shellRefusal(wordTotal, words) != ShellRefusal::none) return;
    const char* directory = nullptr;
    if (wordTotal == 4) {
        if (equals(words[3], ".\\")) {
            directory = baseDirectory.text();
        } else {
            words[3].assign(inFolder(words[3].text()));
            directory = words[3].text();
        }
    }
    platform::shellOpen(systemText(words[2].text()).text(), directory);
}

void Application::postReinit() {
    platform::postMessage(mainWindow.hwnd, reinitialiseMessage, 0, 0);
}

void Application::postClose() {
    platform::postMessage(mainWindow.hwnd, wm::close, 0, 0);
}

}  // namespace autorun
