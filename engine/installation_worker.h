// The installation worker: the body of the thread the dialog starts on Install. It downloads,
// verifies and installs every needed package, runs the product's programs, reports the outcome
// to the dialog, frees the record and deletes what it downloaded.
#pragma once

#include <windows.h>

// The thread's result: 1 succeeded, 2 interrupted by the user, 3 failed.
UINT __cdecl ThreadDownloadInstall(LPVOID record);
