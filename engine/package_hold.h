// A downloaded package is kept open, sharing reading only, from the end of its download until the
// downloads are deleted: from before its signature check until after its installer has ended,
// no other process can write to it, rename it or delete it, so the installer reads the bytes
// that were checked. (The download folder is in the user's temporary folder, which every
// process of the user may write to, elevated or not.)
#pragma once

#include <cstdint>
#include <string>

// 0, or the system error when the file cannot be held: it is missing, or another process has it
// open for writing or deleting.
uint32_t HoldPackage(const std::wstring& path);
// Closes every held package: the downloads can then be deleted.
void ReleasePackages();
