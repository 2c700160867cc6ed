// What a planted DLL or program does when it runs: it leaves "<its own path>.ran" beside itself.
#pragma once

#include <windows.h>

#include <cwchar>

inline void LeaveRanMarker(HMODULE self) {
    wchar_t marker[MAX_PATH + 5];
    const DWORD length = GetModuleFileNameW(self, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    wmemcpy(marker + length, L".ran", 5);
    const HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
