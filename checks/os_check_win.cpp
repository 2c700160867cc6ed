#include <windows.h>

#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/os_rules.h"
#include "checks/proc_address_win.h"
#include "checks/requirements.h"
#include "framework/afx_strings.h"
#include "resources/resource_ids.h"

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

}  // namespace

bool IsOSAuthorized(std::wstring& message) {
    WriteLog(L"IN-> IsOSAuthorized()");
    IsVersion60 = false;
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
        version = OSVERSIONINFOEXW{};
        version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
            WriteLog(L"");
            WriteLog(L"OUT-> IsOSAuthorized() - KO ");
            return false;
        }
    }
    const OsFacts facts{version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                        version.wProductType};
    const OsDecision decision = DecideOs(facts, NativeArchitecture, [&](uint16_t servicePack) {
        return ServicePackAtLeast(version, servicePack);
    });
    IsVersion60 = decision.isVersion60;
    if (decision.osName) WriteLog(decision.osName);
    if (decision.accepted) {
        WriteLog(L"OUT-> IsOSAuthorized() - OK ");
        return true;
    }
    if (decision.messageId == IDS_OS_FORBIDDEN) {
        AfxFormatString2(message, IDS_OS_FORBIDDEN, kProductName, decision.osName);
    } else {
        message = AfxLoadString(decision.messageId);
    }
    WriteLog(L"OUT-> IsOSAuthorized() - KO ");
    return false;
}
