#include "tests/win/app/driven_dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <thread>

#include "base/setup_log.h"
#include "resources/resource_ids.h"
#include "tests/win/support/win_test_support.h"

namespace {

// A top-level window of the dialog's thread that takes the activation when sent WM_APP, as a
// pop-up of that thread would.
LRESULT CALLBACK RivalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) SetActiveWindow(window);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateRivalWindow() {
    static const ATOM rivalClass = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = RivalProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"SetupDialogTestRival";
        return RegisterClassW(&windowClass);
    }();
    return CreateWindowExW(0, MAKEINTATOM(rivalClass), L"rival", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           0, 0, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

void PrepareDialogSuite(const std::wstring& name) {
    const std::wstring folder = MakeFreshFolder(name);
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    SetEnvironmentVariableW(L"TEMP", folder.c_str());
    WriteLog((name + L" suite").c_str());
    RegisterSetupDialogClass(GetModuleHandleW(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);
}

BOOL DrivenDialog::OnInitDialog() {
    const BOOL result = SetupDialog::OnInitDialog();
    if (withRival) rival = CreateRivalWindow();
    window = _hWnd;
    return result;
}

bool DrivenDialog::BeginWorker(WorkerParam* record) {
    workerStarted = true;
    if (threadRefused) return false;
    param.reset(record);
    return true;
}

HWND Control(HWND dialog, int id) {
    if (id == IDC_STATUS_LINE) {
        if (HWND line = GetDlgItem(dialog, -1)) return line;
        return GetDlgItem(dialog, 0xFFFF);
    }
    return GetDlgItem(dialog, id);
}

std::wstring Text(HWND dialog, int id) {
    wchar_t text[1024] = L"";
    GetWindowTextW(id ? Control(dialog, id) : dialog, text, 1024);
    return text;
}
bool Visible(HWND dialog, int id) { return IsWindowVisible(Control(dialog, id)) != FALSE; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(Control(dialog, id)) != FALSE; }
void Click(HWND dialog, int id) { SendMessageW(Control(dialog, id), BM_CLICK, 0, 0); }
int DefaultButton(HWND dialog) { return LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)); }
int BarPosition(HWND dialog) {
    return static_cast<int>(SendMessageW(Control(dialog, IDC_PROGRESS), PBM_GETPOS, 0, 0));
}

INT_PTR RunDriven(DrivenDialog& dialog, const std::function<void(HWND)>& drive) {
    std::thread driver([&] {
        // A control counts as visible only once its dialog is shown, after its initialisation.
        if (!WaitUntil([&] {
                const HWND shown = dialog.window.load();
                return shown && IsWindowVisible(shown);
            }))
            return;
        const HWND window = dialog.window;
        drive(window);
        if (!WaitUntil([&] { return !IsWindow(window); })) {
            ADD_FAILURE() << "the dialog did not end";
            EndDialog(window, -5);
        }
    });
    const INT_PTR code = dialog.DoModal();
    driver.join();
    return code;
}

void PressInstall(HWND window, DrivenDialog& dialog) {
    Click(window, IDC_ACCEPT_BOX);
    Click(window, IDC_INSTALL);
    ASSERT_TRUE(WaitUntil([&] { return dialog.workerStarted.load(); }));
}
