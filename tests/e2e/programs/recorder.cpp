// A stand-in for the programs a menu starts: logs how it was started, can write the registry and
// take its time before it ends, as directed by a file beside it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// One line, appended in a single write so that several recorders can share one log.
void appendLine(const char* logPath, const char* line) {
    HANDLE file = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    CloseHandle(file);
}

// The directions file: the program's own path with ".cfg" in place of ".exe". Lines:
//   sleep|<milliseconds>
//   regset|<key below HKEY_CURRENT_USER>|<value name>|<text>
//   regdel|<key below HKEY_CURRENT_USER>|<value name>
void followDirections(const char* exePath) {
    char cfgPath[MAX_PATH + 8];
    std::snprintf(cfgPath, sizeof cfgPath, "%s", exePath);
    char* dot = std::strrchr(cfgPath, '.');
    if (dot == nullptr) return;
    std::strcpy(dot, ".cfg");
    FILE* cfg = std::fopen(cfgPath, "r");
    if (cfg == nullptr) return;
    char line[1024];
    while (std::fgets(line, sizeof line, cfg) != nullptr) {
        line[std::strcspn(line, "\r\n")] = '\0';
        char* fields[4] = {};
        int count = 0;
        for (char* field = line; field != nullptr && count < 4; ++count) {
            fields[count] = field;
            char* bar = std::strchr(field, '|');
            if (bar != nullptr) *bar++ = '\0';
            field = bar;
        }
        if (count == 2 && std::strcmp(fields[0], "sleep") == 0) {
            Sleep(static_cast<DWORD>(std::atoi(fields[1])));
        } else if (count == 4 && std::strcmp(fields[0], "regset") == 0) {
            HKEY key;
            if (RegCreateKeyExA(HKEY_CURRENT_USER, fields[1], 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &key, nullptr) == ERROR_SUCCESS) {
                RegSetValueExA(key, fields[2], 0, REG_SZ, reinterpret_cast<const BYTE*>(fields[3]),
                               static_cast<DWORD>(std::strlen(fields[3]) + 1));
                RegCloseKey(key);
            }
        } else if (count == 3 && std::strcmp(fields[0], "regdel") == 0) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, fields[1], 0, KEY_SET_VALUE, &key) ==
                ERROR_SUCCESS) {
                RegDeleteValueA(key, fields[2]);
                RegCloseKey(key);
            }
        }
    }
    std::fclose(cfg);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char exePath[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, exePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 3;

    // The log named by AUTORUN_E2E_LOG, or recorder.log beside the program.
    char logPath[MAX_PATH + 16];
    DWORD fromEnvironment = GetEnvironmentVariableA("AUTORUN_E2E_LOG", logPath, MAX_PATH);
    if (fromEnvironment == 0 || fromEnvironment >= MAX_PATH) {
        std::snprintf(logPath, sizeof logPath, "%s", exePath);
        char* slash = std::strrchr(logPath, '\\');
        std::strcpy(slash != nullptr ? slash + 1 : logPath, "recorder.log");
    }

    char directory[MAX_PATH];
    if (GetCurrentDirectoryA(MAX_PATH, directory) == 0) directory[0] = '\0';

    static char line[4096];
    DWORD pid = GetCurrentProcessId();
    std::snprintf(line, sizeof line, "start\t%lu\t%s\t%s\t%s\r\n", static_cast<unsigned long>(pid),
                  exePath, directory, GetCommandLineA());
    appendLine(logPath, line);

    followDirections(exePath);

    std::snprintf(line, sizeof line, "end\t%lu\r\n", static_cast<unsigned long>(pid));
    appendLine(logPath, line);
    return 0;
}
