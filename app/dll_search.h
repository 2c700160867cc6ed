// Where DLLs that are loaded later are looked for, by the setup and by the system's own DLLs:
// the system folder, not the setup's folder (a download folder) nor the current one.
#pragma once

// The first thing at start-up, before anything loads a DLL.
void RestrictDllSearchToSystemFolder();
