// Runs the start-up requirement checks in a process of its own, so that the Windows version the
// test has just set for the prefix applies. Its log goes to the folder given as argument.
// Exit code: 1 when the checks passed, plus 2 when the system is taken for NT 6.0.
#include <windows.h>

#include "app/setup_state.h"
#include "checks/requirements.h"

int wmain(int argc, wchar_t** argv) {
    if (argc > 1) {
        SetEnvironmentVariableW(L"TMP", argv[1]);
        SetEnvironmentVariableW(L"TEMP", argv[1]);
    }
    const bool passed = CheckRequirements();
    return (passed ? 1 : 0) | (IsVersion60 ? 2 : 0);
}
