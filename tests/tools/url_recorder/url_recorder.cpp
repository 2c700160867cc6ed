// A stand-in browser: registered as the open command of the http protocol in a test prefix, it
// appends the URL it is asked to open, as one UTF-8 line, to the file its second argument names
// (the setup opens pages through the desktop's shell, which does not pass the setup's
// environment on). Without both it records nothing and exits with 2.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/win/support/win_test_support.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring url = args && count >= 3 ? args[1] : L"";
    const std::wstring record = args && count >= 3 ? args[2] : L"";
    LocalFree(args);
    if (url.empty() || record.empty()) return 2;
    FILE* file = _wfopen(record.c_str(), L"ab");
    if (!file) return 1;
    std::fprintf(file, "%s\n", Narrow(url).c_str());
    std::fclose(file);
    return 0;
}
