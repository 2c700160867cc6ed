#include "app/setup_app.h"

#include <commctrl.h>

#include "app/instance_guard.h"
#include "base/product_text.h"
#include "app/setup_dialog.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "checks/prereqs.h"
#include "checks/requirements.h"
#include "checks/user_admin.h"
#include "engine/post_install.h"
#include "base/link_locations.h"
#include "framework/afx_strings.h"
#include "resources/resource_ids.h"

namespace {

constexpr const wchar_t* kBuildStamp = L"06-26-2009.09.50";

}  // namespace

BOOL SetupApp::InitInstance() {
    RegisterSetupDialogClass(m_hInstance);
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();

    CancelRequests = 0;
    ProgressEnabled = 1;

    const std::wstring beginLine = ProductText(IDS_LOG_BEGIN);
    const std::wstring endLine = ProductText(IDS_LOG_END);
    const std::wstring caption = ProductText(IDS_CAPTION);

    // A setup that is about to be refused must not wipe the running setup's log.
    if (AnotherSetupHoldsGuard()) KeepExistingLog();
    WriteLog(beginLine.c_str());

    if (!IsUserAdmin()) {
        const std::wstring refusal = ProductText(IDS_NOT_ADMIN);
        MessageBoxW(nullptr, refusal.c_str(), caption.c_str(), MB_ICONERROR);
        WriteLog(refusal.c_str());
        WriteLog(endLine.c_str());
        return FALSE;
    }

    bool anotherSetup = false;
    HANDLE instanceGuard = CreateInstanceGuard(anotherSetup);
    if (!instanceGuard) return FALSE;
    if (anotherSetup) {
        MessageBoxW(nullptr, ProductText(IDS_ANOTHER_SETUP).c_str(), caption.c_str(), MB_ICONERROR);
        BringRunningSetupForward();
        CloseHandle(instanceGuard);
        return FALSE;
    }

    std::wstring markerError;
    HANDLE setupRunning = CreateSetupRunningMarker(markerError);
    if (!setupRunning) {
        WriteLog(markerError.c_str());
        WriteLog(endLine.c_str());
        CloseHandle(instanceGuard);
        return FALSE;
    }

    CheckRequirements();

    if (IsCustomServer()) {
        const std::wstring warning =
            std::wstring(L"Internal test for ") + kProductName + L" from " + GetServerName();
        MessageBoxW(nullptr, warning.c_str(), caption.c_str(), MB_ICONWARNING);
        WriteLog(warning.c_str());
    }

    WriteLog((std::wstring(L"Version ") + kBuildStamp).c_str());

    CheckAllPrereqs();

    SetupDialog dialog(nullptr);
    m_pMainWnd = &dialog;
    const INT_PTR endCode = dialog.DoModal();
    m_pMainWnd = nullptr;
    dialog.WaitForWorker(kWorkerEndWaitMs);

    CloseHandle(setupRunning);
    CloseHandle(instanceGuard);

    if (endCode == IDOK) {
        WriteLog(L"IDOK");
        LaunchProduct();
    } else if (endCode == IDCANCEL || endCode == IDABORT) {
        WriteLog(L"IDCANCEL");
    } else if (endCode == -1) {
        WriteLog(L"The setup dialog could not be created");
    }
    WriteLog(endLine.c_str());
    return FALSE;
}
