#include "http/inet_functions_win.h"

#include "sysdll/system_library_win.h"

namespace {

template <typename Result, typename... Args>
Result WINAPI Missing(Args...) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return Result();
}

template <typename Result, typename... Args>
void Find(HMODULE module, const char* name, Result(WINAPI*& entry)(Args...)) {
    const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    // Through a generic function pointer, so the compiler accepts the change of signature.
    entry = found ? reinterpret_cast<Result(WINAPI*)(Args...)>(reinterpret_cast<void (*)()>(found))
                  : &Missing<Result, Args...>;
}

QELHttpInetFunctions Load() {
    const HMODULE module = LoadSystemLibrary(L"wininet.dll");
    QELHttpInetFunctions f{};
// The entry's name once, so that a name and its slot cannot drift apart.
#define QEL_FIND(name) Find(module, #name, f.name)
    QEL_FIND(HttpAddRequestHeadersA);
    QEL_FIND(HttpEndRequestW);
    QEL_FIND(HttpOpenRequestA);
    QEL_FIND(HttpQueryInfoA);
    QEL_FIND(HttpSendRequestExA);
    QEL_FIND(InternetAttemptConnect);
    QEL_FIND(InternetCanonicalizeUrlA);
    QEL_FIND(InternetCloseHandle);
    QEL_FIND(InternetConnectA);
    QEL_FIND(InternetCrackUrlA);
    QEL_FIND(InternetErrorDlg);
    QEL_FIND(InternetGetConnectedState);
    QEL_FIND(InternetOpenA);
    QEL_FIND(InternetQueryDataAvailable);
    QEL_FIND(InternetQueryOptionA);
    QEL_FIND(InternetReadFile);
    QEL_FIND(InternetSetOptionA);
    QEL_FIND(InternetSetOptionW);
    QEL_FIND(InternetWriteFile);
#undef QEL_FIND
    return f;
}

}  // namespace

const QELHttpInetFunctions& QELHttpWinInet() {
    static const QELHttpInetFunctions functions = Load();
    return functions;
}
