#include <windows.h>

#include "base/setup_log.h"
#include "checks/installed_products.h"
#include "checks/proc_address_win.h"
#include "sysdll/system_library_win.h"

namespace {

using EnumRelated = UINT(WINAPI*)(LPCWSTR, DWORD, DWORD, LPWSTR);
using GetProductInfo = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);

// msi.dll exports these by ordinal only on the systems the setup supports.
struct MsiFunctions {
    EnumRelated enumRelated = nullptr;
    GetProductInfo productInfo = nullptr;
};

const MsiFunctions& Msi() {
    static const MsiFunctions functions = [] {
        MsiFunctions found;
        if (HMODULE msi = LoadSystemLibrary(L"msi.dll")) {
            found.enumRelated = ProcAddress<EnumRelated>(msi, MAKEINTRESOURCEA(205));
            found.productInfo = ProcAddress<GetProductInfo>(msi, MAKEINTRESOURCEA(70));
        }
        return found;
    }();
    return functions;
}

}  // namespace

RelatedProduct FindRelatedProduct(const wchar_t* upgradeCode) {
    RelatedProduct product;
    const MsiFunctions& msi = Msi();
    if (!msi.enumRelated || !msi.productInfo) {
        WriteLog(L"msi.dll functions not found");
        return product;
    }
    wchar_t code[39] = {};
    if (msi.enumRelated(upgradeCode, 0, 0, code) != ERROR_SUCCESS) return product;
    product.found = true;
    // A second registration, when there is one, replaces the first.
    msi.enumRelated(upgradeCode, 0, 1, code);

    wchar_t version[1024] = L"0.0.0";
    DWORD length = 256;
    product.versionRead =
        msi.productInfo(code, L"VersionString", version, &length) == ERROR_SUCCESS;
    product.version = product.versionRead ? version : L"0.0.0";
    return product;
}

bool IsWow64() {
    using IsWow64Call = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto call = ProcAddress<IsWow64Call>(GetModuleHandleA("kernel32"), "IsWow64Process");
    if (!call) return false;
    BOOL flag = FALSE;
    call(GetCurrentProcess(), &flag);
    return flag == TRUE;
}

bool IsInstalled() {
    StepProtocol step = LoggedStep(L"IN->IsInstalled ()", L"OUT ->IsInstalled ()");
    const RelatedProduct product = FindRelatedProduct(kProductUpgradeCode);
    if (product.found) {
        WriteLog((L"Installed Version: " + product.version).c_str());
    } else {
        WriteLog(L"Tellura Installer failed. Consult Ventrola.msi.log file\n");
    }
    return product.found;
}
