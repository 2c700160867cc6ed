// Imports two functions that Windows XP SP2 lacks, so that the import check is seen to fail.
#include <windows.h>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();
extern "C" __declspec(dllimport) void WINAPI InitializeSRWLock(void** lock);

int main() {
    void* lock = nullptr;
    InitializeSRWLock(&lock);
    return GetTickCount64() == 0;
}
