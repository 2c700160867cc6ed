#include "app/instance_guard.h"

namespace {

std::wstring LastErrorText() {
    const DWORD error = GetLastError();
    wchar_t* message = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                       0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = length && message ? std::wstring(message, length) : L"Error creating mutex";
    if (message) LocalFree(message);
    return text;
}

}  // namespace

bool AnotherSetupHoldsGuard() {
    HANDLE guard = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceGuardName);
    if (!guard) return false;
    CloseHandle(guard);
    return true;
}

HANDLE CreateInstanceGuard(bool& alreadyExists) {
    HANDLE guard = CreateMutexW(nullptr, TRUE, kInstanceGuardName);
    alreadyExists = guard && GetLastError() == ERROR_ALREADY_EXISTS;
    return guard;
}

HANDLE CreateSetupRunningMarker(std::wstring& error) {
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) {
        error = LastErrorText();
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};
    HANDLE marker = CreateMutexW(&attributes, TRUE, kSetupRunningMarkerName);
    if (!marker) error = LastErrorText();
    return marker;
}

void BringRunningSetupForward() {
    const HWND dialog = FindWindowW(kDialogClassName, nullptr);
    if (!dialog) return;
    const HWND popup = GetLastActivePopup(dialog);
    if (IsIconic(dialog)) ShowWindow(dialog, SW_RESTORE);
    SetForegroundWindow(popup);
}
