// A package is created new in the private download folder and held from its creation until the
// downloads are deleted: written through one handle, then verified and installed while held
// through one that lets others only read. No other process can write to it, rename it or
// delete it between its download, its signature check and the end of its installer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The new file, opened for writing by the download; null with the system error when a file of
// that name exists already or cannot be made.
FILE* CreateHeldPackage(const std::wstring& path, uint32_t& error);
// Once the download has written and closed the file: the hold becomes reading only. 0, or the
// system error when another process opened the file for writing meanwhile.
uint32_t HoldPackage(const std::wstring& path);
// The held read handle of the package, for its signature check; null when it is not held.
void* HeldPackage(const std::wstring& path);
// Closes every held package and gives the files this run created, which can then be deleted:
// never a name that someone else put in the folder.
std::vector<std::wstring> ReleasePackages();
