// Stand-in for the product's texture tool: reports its progress to the window named by -hWnd,
// then exits with the code the test asks for (TELLURA_STANDIN_TEXTURE_EXIT) after
// TELLURA_STANDIN_TEXTURE_MS milliseconds.
#include "stand_in.h"

#include <shellapi.h>

int wmain() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    HWND window = nullptr;
    std::wstring installPath;
    for (int i = 1; i + 1 < count; ++i) {
        if (std::wstring(args[i]) == L"-hWnd") window = reinterpret_cast<HWND>(_wtoi(args[i + 1]));
        if (std::wstring(args[i]) == L"-p") installPath = args[i + 1];
    }
    stand_in::Record(L"texture_tool", GetCommandLineW());
    stand_in::Record(L"texture_tool", L"install path: " + installPath);
    stand_in::Record(L"texture_tool", IsWindow(window) ? L"window: the dialog" : L"window: none");

    const UINT progress = RegisterWindowMessageW(L"CUSTOM_UPDATE_PROGRESS");
    const UINT lowExpand = RegisterWindowMessageW(L"CUSTOM_UPDATE_LOWEXPAND");
    PostMessageW(window, lowExpand, 0, 0);
    const int steps = 10;
    const int pause = stand_in::Setting(L"TELLURA_STANDIN_TEXTURE_MS", 1000) / steps;
    for (int step = 1; step <= steps; ++step) {
        Sleep(pause);
        PostMessageW(window, progress, step, steps);
    }
    return stand_in::Setting(L"TELLURA_STANDIN_TEXTURE_EXIT", 0);
}
