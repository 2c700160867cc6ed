// A DLL planted beside the setup under the name of a system DLL.
#include "ran_marker.h"

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LeaveRanMarker(self);
    return TRUE;
}
