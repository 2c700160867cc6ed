// A stand-in browser: registered as the open command of the http protocol in a test prefix, it
// appends the URL it is asked to open, as one UTF-8 line, to the file that TELLURA_URL_RECORD
// names. Without that variable, or without a URL, it records nothing and exits with 2.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/win/support/win_test_support.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring url = args && count >= 2 ? args[1] : L"";
    LocalFree(args);
    const wchar_t* record = _wgetenv(L"TELLURA_URL_RECORD");
    if (url.empty() || !record || !*record) return 2;
    FILE* file = _wfopen(record, L"ab");
    if (!file) return 1;
    std::fprintf(file, "%s\n", Narrow(url).c_str());
    std::fclose(file);
    return 0;
}
