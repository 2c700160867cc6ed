// The run's download folder in the user's temporary folder, which every process of the user may
// write to. It is made new, never taken over: Administrators and SYSTEM have full control, the
// user may only read, and nothing is inherited from the temporary folder. It is held open
// without sharing deletion, so that nobody can rename it and put a link in its place.
#pragma once

#include <cstdint>
#include <string>

// The folder's name, with its final backslash, or empty with the system error when no new
// folder could be made.
std::wstring CreateDownloadFolder(const std::wstring& tempPath, uint32_t processId,
                                  uint32_t& error);
// Lets the folder go and removes it; the packages in it are deleted before.
void RemoveDownloadFolder(const std::wstring& folder);
