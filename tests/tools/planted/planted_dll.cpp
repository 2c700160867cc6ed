// A DLL planted beside the setup under the name of a system DLL (or program): when it is loaded,
// it leaves "<its own path>.ran" beside itself.
#include <windows.h>

#include <cwchar>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    wchar_t marker[MAX_PATH + 5];
    const DWORD length = GetModuleFileNameW(self, marker, MAX_PATH);
    if (reason != DLL_PROCESS_ATTACH || length == 0 || length >= MAX_PATH) return TRUE;
    wmemcpy(marker + length, L".ran", 5);
    const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}
