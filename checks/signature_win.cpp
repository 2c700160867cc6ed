#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include "base/setup_log.h"
#include "checks/proc_address_win.h"
#include "checks/requirements.h"
#include "checks/signature_rules.h"
#include "http/system_library_win.h"

// The records as the oldest supported systems know them, in the 32-bit setup.
#ifndef _WIN64
static_assert(sizeof(WINTRUST_FILE_INFO) == 16, "file record of 16 bytes");
static_assert(sizeof(WINTRUST_DATA) == 48, "trust record of 48 bytes");
#endif

namespace {

using VerifyTrust = decltype(&::WinVerifyTrust);

// Null when wintrust.dll or its entry point is missing.
VerifyTrust WinVerifyTrustEntry() {
    static const VerifyTrust entry =
        ProcAddress<VerifyTrust>(LoadSystemLibrary(L"wintrust.dll"), "WinVerifyTrust");
    return entry;
}

}  // namespace

int VerifyEmbeddedSignature(const wchar_t* path, int32_t* status) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_DATA trust{};
    trust.cbStruct = sizeof(trust);
    trust.dwUIChoice = WTD_UI_NONE;
    trust.fdwRevocationChecks = WTD_REVOKE_NONE;
    trust.dwUnionChoice = WTD_CHOICE_FILE;
    trust.pFile = &file;
    trust.dwStateAction = WTD_STATEACTION_VERIFY;
    trust.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    // Without the verifier nothing is accepted.
    LONG result = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    if (const VerifyTrust verify = WinVerifyTrustEntry()) {
        result = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
        // Releases what the verification kept.
        trust.dwStateAction = WTD_STATEACTION_CLOSE;
        verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
    }

    if (status) *status = result;
    return SignatureCode(result);
}

bool IsPackageSigned(const wchar_t* path) {
    WriteLog(L"IN-> IsPackageSigned()");
    // An empty value counts too; its query can answer 0 without an error.
    SetLastError(ERROR_SUCCESS);
    if (GetEnvironmentVariableW(L"NO_CHECK_PACKAGE_SIGNED", nullptr, 0) > 0 ||
        GetLastError() != ERROR_ENVVAR_NOT_FOUND) {
        WriteLog(L"VerifyEmbeddedSignature is skipped");
        WriteLog(L"OUT-> IsPackageSigned() OK");
        return true;
    }
    int32_t status = 0;
    if (IsAcceptedSignature(VerifyEmbeddedSignature(path, &status))) {
        WriteLog(L"OUT-> IsPackageSigned() OK");
        return true;
    }
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(status), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length > 0 && text) WriteLog(text);
    if (text) LocalFree(text);
    WriteLog(L"OUT-> IsPackageSigned() KO");
    return false;
}
