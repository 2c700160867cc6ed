// WinInet's entry points, taken from the system folder's wininet.dll at first use instead of
// being imported (see sysdll/system_library_win.h).
#pragma once

#include <windows.h>
#include <wininet.h>

struct QELHttpInetFunctions {
    decltype(&::HttpAddRequestHeadersA) HttpAddRequestHeadersA;
    decltype(&::HttpEndRequestW) HttpEndRequestW;
    decltype(&::HttpOpenRequestA) HttpOpenRequestA;
    decltype(&::HttpQueryInfoA) HttpQueryInfoA;
    decltype(&::HttpSendRequestExA) HttpSendRequestExA;
    decltype(&::InternetAttemptConnect) InternetAttemptConnect;
    decltype(&::InternetCanonicalizeUrlA) InternetCanonicalizeUrlA;
    decltype(&::InternetCloseHandle) InternetCloseHandle;
    decltype(&::InternetConnectA) InternetConnectA;
    decltype(&::InternetCrackUrlA) InternetCrackUrlA;
    decltype(&::InternetErrorDlg) InternetErrorDlg;
    decltype(&::InternetGetConnectedState) InternetGetConnectedState;
    decltype(&::InternetOpenA) InternetOpenA;
    decltype(&::InternetQueryDataAvailable) InternetQueryDataAvailable;
    decltype(&::InternetQueryOptionA) InternetQueryOptionA;
    decltype(&::InternetReadFile) InternetReadFile;
    decltype(&::InternetSetOptionA) InternetSetOptionA;
    decltype(&::InternetSetOptionW) InternetSetOptionW;
    decltype(&::InternetWriteFile) InternetWriteFile;
};

// Every entry is callable: one that wininet.dll lacks, or all of them when it cannot be loaded,
// fails as the system does for a missing module (ERROR_MOD_NOT_FOUND, a null or zero result).
const QELHttpInetFunctions& QELHttpWinInet();
