// DLLs that the setup does not import are loaded from the system folder by their full path,
// never by a bare name: the setup runs elevated from a download folder, where a bare name would
// find a planted DLL first.
#pragma once

#include <windows.h>

#include <string>

// The full path of a file of the system folder; empty when the folder cannot be read.
std::wstring SystemFolderPath(const std::wstring& fileName);

// Null, with the system error, when the system folder has no such DLL. Its own imports are
// then looked for in the system folder first, also where the DLL search cannot be restricted.
HMODULE LoadSystemLibrary(const wchar_t* fileName);
