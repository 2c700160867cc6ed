// Catalogue strings from the program's resources, in the language the system's resource lookup
// picks for the user.
#pragma once

#include <windows.h>

#include <string>

// The string of the given id; empty when its block or entry is missing.
std::wstring AfxLoadString(UINT id);

// The string of the given id with every "%1" (and "%2") replaced.
void AfxFormatString1(std::wstring& result, UINT id, const wchar_t* arg1);
void AfxFormatString2(std::wstring& result, UINT id, const wchar_t* arg1, const wchar_t* arg2);
