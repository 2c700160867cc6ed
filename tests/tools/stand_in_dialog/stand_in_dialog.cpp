// A stand-in for the setup dialog, for testing the UI driver and the demo script while the real
// one cannot be used: the same window class, template id, control ids and kinds, with just enough
// behaviour to be driven from another process.
//
//   stand_in_dialog.exe [--warn <text>] [--delay <ms>] [--install-ms <ms>]
//
//   --warn <text>       an owner-less warning box before the dialog
//   --delay <ms>        wait that long before the dialog appears
//   --install-ms <ms>   how long Install runs before it succeeds (default 2000)
//
// Install fills the progress bar and then shows success with Close; Cancel while it runs asks an
// owner-less Yes/No question from a second thread; Yes interrupts. Exit status: the end code
// (1 success, 2 cancelled or interrupted).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "resources/resource_ids.h"

namespace {

constexpr wchar_t kCaption[] = L"Tellura Setup";
constexpr UINT WM_APP_ANSWER = WM_APP + 1;
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kTickMs = 100;

enum class Stage { Licence, Installing, Finished };

struct Options {
    const wchar_t* warning = nullptr;
    DWORD delayMs = 0;
    DWORD installMs = 2000;
};

struct DialogState {
    Stage stage = Stage::Licence;
    DWORD elapsedMs = 0;
    DWORD installMs = 0;
    bool questionOpen = false;
    int endCode = 0;
};

DialogState g_state;

void Show(HWND dialog, int id, bool visible) {
    ShowWindow(GetDlgItem(dialog, id), visible ? SW_SHOW : SW_HIDE);
}

void Finish(HWND dialog, int endCode) {
    g_state.stage = Stage::Finished;
    g_state.endCode = endCode;
    KillTimer(dialog, kProgressTimer);
    Show(dialog, IDC_PROGRESS, false);
    HWND cancel = GetDlgItem(dialog, IDCANCEL);
    SetWindowTextW(cancel, L"Close");
    EnableWindow(cancel, TRUE);
    ShowWindow(cancel, SW_SHOW);
    SendMessageW(dialog, DM_SETDEFID, IDCANCEL, 0);
    SetFocus(cancel);
}

DWORD WINAPI AskCancel(void* dialog) {
    const int answer =
        MessageBoxW(nullptr, L"Are you sure you want to cancel Tellura installation?", kCaption,
                    MB_YESNO | MB_ICONQUESTION);
    PostMessageW(static_cast<HWND>(dialog), WM_APP_ANSWER, static_cast<WPARAM>(answer), 0);
    return 0;
}

void OnInit(HWND dialog) {
    SetWindowTextW(dialog, kCaption);
    SetDlgItemTextW(dialog, IDC_STATUS_LINE,
                    L"You must accept the following License Agreement before the Tellura "
                    L"application can be installed.");
    SetDlgItemTextW(dialog, IDC_EULA_LINK,
                    L" Read the <A ID=\"idTLRShape\">Tellura  Eula</A> before accepting it");
    SetDlgItemTextW(dialog, IDC_ACCEPT_BOX,
                    L"I accept the terms of the Tellura  License Agreement");
    SetForegroundWindow(dialog);
}

void OnAccept(HWND dialog) {
    const bool accepted = IsDlgButtonChecked(dialog, IDC_ACCEPT_BOX) == BST_CHECKED;
    EnableWindow(GetDlgItem(dialog, IDC_INSTALL), accepted);
    SendMessageW(dialog, DM_SETDEFID, accepted ? IDC_INSTALL : IDCANCEL, 0);
}

void OnInstall(HWND dialog) {
    Show(dialog, IDC_ACCEPT_BOX, false);
    Show(dialog, IDC_EULA_LINK, false);
    Show(dialog, IDC_PROGRESS, true);
    EnableWindow(GetDlgItem(dialog, IDC_INSTALL), FALSE);
    Show(dialog, IDC_INSTALL, false);
    SetDlgItemTextW(dialog, IDC_STATUS_LINE, L"Installing Tellura...");
    g_state.stage = Stage::Installing;
    SetTimer(dialog, kProgressTimer, kTickMs, nullptr);
}

void OnTick(HWND dialog) {
    if (g_state.questionOpen) return;
    g_state.elapsedMs += kTickMs;
    const DWORD percent = g_state.installMs ? g_state.elapsedMs * 100 / g_state.installMs : 100;
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETPOS, percent, 0);
    if (g_state.elapsedMs >= g_state.installMs) {
        SetDlgItemTextW(dialog, IDC_STATUS_LINE, L"Setup has successfully installed Tellura.");
        Finish(dialog, IDOK);
    }
}

void OnCancel(HWND dialog) {
    switch (g_state.stage) {
        case Stage::Licence:
            EndDialog(dialog, IDCANCEL);
            break;
        case Stage::Finished:
            EndDialog(dialog, g_state.endCode);
            break;
        case Stage::Installing:
            if (g_state.questionOpen) break;
            g_state.questionOpen = true;
            if (HANDLE thread = CreateThread(nullptr, 0, AskCancel, dialog, 0, nullptr)) {
                CloseHandle(thread);
            } else {
                g_state.questionOpen = false;
            }
            break;
    }
}

void OnAnswer(HWND dialog, int answer) {
    g_state.questionOpen = false;
    if (g_state.stage != Stage::Installing) return;
    if (answer != IDYES) {
        // Shows that the answer has arrived, so a driver knows when to cancel again.
        SetDlgItemTextW(dialog, IDC_STATUS_LINE, L"Installing Tellura... (not cancelled)");
        return;
    }
    Show(dialog, IDC_STATUS_LINE, false);
    SetDlgItemTextW(dialog, IDC_FAILURE_TEXT, L"Tellura setup has been interrupted by the user.");
    Show(dialog, IDC_FAILURE_TEXT, true);
    Finish(dialog, IDCANCEL);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            OnInit(dialog);
            return TRUE;
        case WM_TIMER:
            OnTick(dialog);
            return TRUE;
        case WM_APP_ANSWER:
            OnAnswer(dialog, static_cast<int>(wParam));
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
                case IDC_ACCEPT_BOX:
                    OnAccept(dialog);
                    return TRUE;
                case IDC_INSTALL:
                    OnInstall(dialog);
                    return TRUE;
                case IDCANCEL:
                    OnCancel(dialog);
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

bool ParseOptions(Options* options) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return false;
    bool ok = true;
    for (int i = 1; i < argc && ok; i += 2) {
        const std::wstring name = argv[i];
        if (i + 1 >= argc) {
            ok = false;
        } else if (name == L"--warn") {
            options->warning = argv[i + 1];  // argv is kept for the life of the process
        } else if (name == L"--delay") {
            options->delayMs = static_cast<DWORD>(std::wcstoul(argv[i + 1], nullptr, 10));
        } else if (name == L"--install-ms") {
            options->installMs = static_cast<DWORD>(std::wcstoul(argv[i + 1], nullptr, 10));
        } else {
            ok = false;
        }
    }
    return ok;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Options options;
    if (!ParseOptions(&options)) return 3;  // no box: it would hang the test that started us
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LINK_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    // The dialog class under the setup's own name, so that it can be found by class.
    WNDCLASSW windowClass = {};
    GetClassInfoW(instance, L"#32770", &windowClass);
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"KESTRAClass";
    RegisterClassW(&windowClass);

    if (options.warning) MessageBoxW(nullptr, options.warning, kCaption, MB_ICONWARNING);
    Sleep(options.delayMs);
    g_state.installMs = options.installMs;
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETUP_DIALOG), nullptr, DialogProc, 0));
}
