// A stand-in for the programs a menu starts: logs how it was started to the file that
// AUTORUN_E2E_LOG names, in UTF-8, and can write the registry and take its time before it
// ends, as directed by a file beside it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// One line, appended in a single write so that several recorders can share one log.
void appendLine(const wchar_t* logPath, const char* line) {
    HANDLE file = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    CloseHandle(file);
}

// The directions file is the program's own path with ".cfg" in place of ".exe". Lines:
// sleep|<ms>, until|<path> (runs on until that file exists, so that a test decides when it
// ends) and regset|<key below HKEY_CURRENT_USER>|<value name>|<text>.
void followDirections(const wchar_t* exePath) {
    wchar_t cfgPath[MAX_PATH + 8];
    size_t stem = std::wcslen(exePath) - 4;
    std::wmemcpy(cfgPath, exePath, stem);
    std::wcscpy(cfgPath + stem, L".cfg");
    FILE* cfg = _wfopen(cfgPath, L"r");
    char line[1024];
    while (cfg != nullptr && std::fgets(line, sizeof line, cfg) != nullptr) {
        line[std::strcspn(line, "\r\n")] = '\0';
        const char* verb = std::strtok(line, "|");
        const char* key = std::strtok(nullptr, "|");
        const char* name = std::strtok(nullptr, "|");
        const char* text = std::strtok(nullptr, "|");
        HKEY handle;
        if (verb == nullptr) continue;
        if (std::strcmp(verb, "sleep") == 0 && key != nullptr) {
            Sleep(static_cast<DWORD>(std::atoi(key)));
        } else if (std::strcmp(verb, "until") == 0 && key != nullptr) {
            while (GetFileAttributesA(key) == INVALID_FILE_ATTRIBUTES) Sleep(20);
        } else if (std::strcmp(verb, "regset") == 0 && text != nullptr &&
                   RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                   &handle, nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                           static_cast<DWORD>(std::strlen(text) + 1));
            RegCloseKey(handle);
        }
    }
    if (cfg != nullptr) std::fclose(cfg);
}

}  // namespace

// The text in UTF-8, in out.
const char* utf8(const wchar_t* text, char (&out)[2048]) {
    if (WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr) == 0)
        out[0] = '\0';
    return out;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t exePath[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    if (length < 5 || length >= MAX_PATH) return 3;
    wchar_t logPath[MAX_PATH];
    DWORD logLength = GetEnvironmentVariableW(L"AUTORUN_E2E_LOG", logPath, MAX_PATH);
    if (logLength == 0 || logLength >= MAX_PATH) return 3;
    wchar_t directory[MAX_PATH];
    if (GetCurrentDirectoryW(MAX_PATH, directory) == 0) directory[0] = L'\0';

    static char line[8192];
    static char exe[2048], folder[2048], command[2048];
    unsigned long pid = GetCurrentProcessId();
    std::snprintf(line, sizeof line, "start\t%lu\t%s\t%s\t%s\r\n", pid, utf8(exePath, exe),
                  utf8(directory, folder), utf8(GetCommandLineW(), command));
    appendLine(logPath, line);
    followDirections(exePath);
    std::snprintf(line, sizeof line, "end\t%lu\r\n", pid);
    appendLine(logPath, line);
    return 0;
}
