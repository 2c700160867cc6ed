// Files of fixed names in the user's temporary folder, written by the elevated setup. Any process
// of the user can plant a link (a symbolic link, a junction, a hard link) at such a name before
// the setup writes there, so whatever stands at the name is removed, never written through.
#pragma once

#include <windows.h>

#include <string>

// Removes what stands at `path`, a link itself and not its target, and creates the file new:
// a handle, or INVALID_HANDLE_VALUE with the system error when the name cannot be freed.
HANDLE CreateFreshFile(const std::wstring& path, DWORD access, DWORD share);

// The path as the file functions take it beyond MAX_PATH characters ("\\?\" before a drive path).
std::wstring LongPathForm(const std::wstring& path);
