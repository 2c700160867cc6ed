// Runs the start-up requirement checks in a process of its own, so that the Windows version the
// test has just set for the prefix applies. Its log goes to the folder given as argument.
// The check message goes to message.txt there. Exit code: 1 when the checks passed, plus 2 when the
// system is taken for NT 6.0.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/setup_state.h"
#include "checks/requirements.h"

int wmain(int argc, wchar_t** argv) {
    if (argc > 1) {
        SetEnvironmentVariableW(L"TMP", argv[1]);
        SetEnvironmentVariableW(L"TEMP", argv[1]);
    }
    const bool passed = CheckRequirements();
    if (argc > 1) {
        // The message as the dialog would show it, one byte per character.
        const std::string bytes(CheckMessage.begin(), CheckMessage.end());
        if (FILE* file = _wfopen((std::wstring(argv[1]) + L"message.txt").c_str(), L"wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
    }
    return (passed ? 1 : 0) | (IsVersion60 ? 2 : 0);
}
