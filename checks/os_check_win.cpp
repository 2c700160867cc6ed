#include <windows.h>

#include "base/setup_state.h"
#include "checks/check_outcome_win.h"
#include "checks/os_rules.h"
#include "checks/proc_address_win.h"
#include "checks/requirements.h"

namespace {

// Looked up at run time: systems before XP do not have it.
uint16_t NativeArchitecture() {
    using NativeInfo = void(WINAPI*)(LPSYSTEM_INFO);
    const auto call =
        ProcAddress<NativeInfo>(GetModuleHandleW(L"kernel32.dll"), "GetNativeSystemInfo");
    if (!call) return 0;
    SYSTEM_INFO info{};
    call(&info);
    return info.wProcessorArchitecture;
}

bool ServicePackAtLeast(OSVERSIONINFOEXW version, uint16_t servicePack) {
    version.wServicePackMajor = servicePack;
    const DWORDLONG condition = VerSetConditionMask(0, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_SERVICEPACKMAJOR, condition) != FALSE;
}

// The version record, extended when the system fills it, basic otherwise; false when neither.
bool ReadVersion(OSVERSIONINFOEXW& version) {
    version = OSVERSIONINFOEXW{};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) return true;
    version = OSVERSIONINFOEXW{};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)) != FALSE;
}

}  // namespace

bool IsOSAuthorized(std::wstring& message) {
    OSVERSIONINFOEXW version;
    const bool known = ReadVersion(version);
    const OsFacts facts{version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                        version.wProductType};
    const OsCheck check = CheckOs(
        known ? &facts : nullptr, NativeArchitecture,
        [&](uint16_t servicePack) { return ServicePackAtLeast(version, servicePack); },
        ResourceCatalog);
    IsVersion60 = check.isVersion60;
    return ApplyOutcome(check.outcome, message);
}
