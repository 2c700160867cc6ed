#include <windows.h>

#include "app/dll_search.h"
#include "checks/proc_address_win.h"

void RestrictDllSearchToSystemFolder() {
    // Windows 7 with KB2533623 and every later Windows have it; XP has not.
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = ProcAddress<SetDefaultDirectories>(GetModuleHandleW(L"kernel32.dll"),
                                                               "SetDefaultDllDirectories");
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Takes the current folder out of every search order, also out of the one that a full-path
    // load with an altered search path uses for the DLL's own imports.
    SetDllDirectoryW(L"");
}
