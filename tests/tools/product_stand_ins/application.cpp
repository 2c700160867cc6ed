// Stand-in for the installed application: writes down its command line and, for someone
// watching, shows it in a window for TELLURA_STANDIN_APP_MS milliseconds (none by default).
#include "stand_in.h"

int wmain() {
    const std::wstring commandLine = GetCommandLineW();
    stand_in::Record(L"application", commandLine);
    const int showFor = stand_in::Setting(L"TELLURA_STANDIN_APP_MS", 0);
    if (showFor <= 0) return 0;

    const std::wstring text = L"Tellura is running.\n\nStarted as:\n" + commandLine;
    HWND window = CreateWindowExW(0, L"STATIC", text.c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | SS_CENTER, 80, 80, 640, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowTextW(window, text.c_str());
    SetTimer(nullptr, 0, static_cast<UINT>(showFor), nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) break;
        DispatchMessageW(&message);
    }
    return 0;
}
