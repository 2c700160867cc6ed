#include "app/setup_app.h"

#include <commctrl.h>

#include <optional>

#include "app/instance_guard.h"
#include "app/setup_dialog.h"
#include "app/startup_sequence.h"
#include "base/link_locations.h"
#include "base/product_text.h"
#include "base/setup_log.h"
#include "checks/prereqs.h"
#include "checks/requirements.h"
#include "checks/user_admin.h"
#include "engine/post_install.h"
#include "resources/resource_ids.h"

namespace {

class WindowsStartup : public StartupPlatform {
  public:
    explicit WindowsStartup(CWinApp& app) : _app(app) {}
    ~WindowsStartup() override { ReleaseGuards(); }
    WindowsStartup(const WindowsStartup&) = delete;
    WindowsStartup& operator=(const WindowsStartup&) = delete;

    void Log(const std::wstring& line) override { WriteLog(line.c_str()); }
    std::wstring ProductText(unsigned id) override { return ::ProductText(id); }
    void ShowError(const std::wstring& text) override { Show(text, MB_ICONERROR); }
    void ShowWarning(const std::wstring& text) override { Show(text, MB_ICONWARNING); }

    bool AnotherSetupHoldsGuard() override { return ::AnotherSetupHoldsGuard(); }
    void KeepExistingLog() override { ::KeepExistingLog(); }
    bool IsUserAdmin() override { return ::IsUserAdmin(); }
    InstanceGuard CreateInstanceGuard() override {
        bool anotherSetup = false;
        _guard = ::CreateInstanceGuard(anotherSetup);
        if (!_guard) return InstanceGuard::kNotCreated;
        return anotherSetup ? InstanceGuard::kAnotherSetup : InstanceGuard::kFirst;
    }
    void BringRunningSetupForward() override { ::BringRunningSetupForward(); }
    bool CreateSetupRunningMarker(std::wstring& error) override {
        _marker = ::CreateSetupRunningMarker(error);
        return _marker != nullptr;
    }
    void ReleaseGuards() override {
        for (HANDLE* handle : {&_marker, &_guard}) {
            if (*handle) CloseHandle(*handle);
            *handle = nullptr;
        }
    }

    void CheckRequirements() override { ::CheckRequirements(); }
    void PinPublisher() override { ::PinPublisher(); }
    void CheckAllPrereqs() override { ::CheckAllPrereqs(); }
    std::optional<std::wstring> CustomServer() override {
        if (!IsCustomServer()) return std::nullopt;
        return GetServerName();
    }

    intptr_t RunDialog() override {
        _dialog.emplace(nullptr);
        _app._pMainWnd = &*_dialog;
        const INT_PTR endCode = _dialog->DoModal();
        _app._pMainWnd = nullptr;
        return endCode;
    }
    void WaitForWorker(uint32_t milliseconds) override {
        if (_dialog) _dialog->WaitForWorker(milliseconds);
    }
    void LaunchProduct() override { ::LaunchProduct(); }

  private:
    void Show(const std::wstring& text, UINT icon) {
        MessageBoxW(nullptr, text.c_str(), ::ProductText(IDS_CAPTION).c_str(), icon);
    }

    CWinApp& _app;
    std::optional<SetupDialog> _dialog;
    HANDLE _guard = nullptr;
    HANDLE _marker = nullptr;
};

}  // namespace

BOOL SetupApp::InitInstance() {
    RegisterSetupDialogClass(_hInstance);
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();

    WindowsStartup startup(*this);
    RunStartup(startup);
    return FALSE;
}
