#include "app/setup_dialog.h"

#include <shellapi.h>

#include <cwchar>

#include "app/banner.h"
#include "app/instance_guard.h"
#include "app/link_markup.h"
#include "base/product_text.h"
#include "app/progress_rule.h"
#include "base/setup_log.h"
#include "base/setup_state.h"
#include "base/user_shell_win.h"
#include "engine/installation_worker.h"
#include "framework/afx_thread.h"
#include "base/link_locations.h"
#include "framework/afx_app.h"
#include "framework/afx_strings.h"
#include "resources/resource_ids.h"

namespace {

void OpenLink(const wchar_t* linkPath) {
    // A browser that does not start changes nothing for the setup.
    DesktopShell shell;
    OpenForUser(shell, MakeLinkUrl(linkPath), L"",
                [](const std::wstring& line) { WriteLog(line.c_str()); });
}

bool ClickedLinkIs(LPARAM notify, const wchar_t* linkId) {
    const auto* link = reinterpret_cast<const NMLINK*>(notify);
    return std::wcscmp(link->item.szID, linkId) == 0;
}

void SetLinkText(HWND link, const std::wstring& text) {
    ::SetWindowTextW(link, LinkControlMarkup(text).c_str());
}

void ShowControl(HWND control, bool show) {
    if (control) ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

// The checks may have taken long enough for the user to click elsewhere. The foreground lock is
// lifted for this one call and only in memory: the user's own setting is back right after.
void ComeToFront(HWND window) {
    DWORD userTimeout = 0;
    const bool known =
        SystemParametersInfoW(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &userTimeout, 0) != FALSE;
    SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    SetForegroundWindow(window);
    if (known) {
        SystemParametersInfoW(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                              reinterpret_cast<void*>(static_cast<uintptr_t>(userTimeout)), 0);
    }
}

}  // namespace

void RegisterSetupDialogClass(HINSTANCE instance) {
    WNDCLASSW dialogClass{};
    GetClassInfoW(instance, L"#32770", &dialogClass);
    dialogClass.hInstance = instance;
    dialogClass.lpszClassName = kDialogClassName;
    AfxRegisterClass(&dialogClass);
}

SetupDialog::SetupDialog(CWnd* parent)
    : CDialog(IDD_SETUP_DIALOG, parent),
      _hIcon(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_SETUP_ICON))) {}

SetupDialog::~SetupDialog() {
    ReleaseBanners(_bannerWindow);
    if (_worker) CloseHandle(_worker);
}

void SetupDialog::DoDataExchange(CDataExchange* exchange) {
    DDX_Control(exchange, IDC_ACCEPT_BOX, _acceptBox);
    DDX_Control(exchange, IDC_INSTALL, _installButton);
    DDX_Control(exchange, IDC_PROGRESS, _progressBar);
    DDX_Control(exchange, IDCANCEL, _cancelButton);
}

const MessageMapEntry* SetupDialog::GetMessageMap() const {
    static const MessageMapEntry entries[] = {
        OnMessage(WM_PAINT, &SetupDialog::OnPaint),
        OnMessage(WM_QUERYDRAGICON, &SetupDialog::OnQueryDragIcon),
        OnMessage(kDpiChangedMessage, &SetupDialog::OnDpiChanged),
        OnCommand(BN_CLICKED, IDC_ACCEPT_BOX, &SetupDialog::OnAcceptBoxClicked),
        OnCommand(BN_CLICKED, IDC_INSTALL, &SetupDialog::OnInstallClicked),
        OnNotify(NM_CLICK, IDC_EULA_LINK, &SetupDialog::OnLicenceLinkClicked),
        OnNotify(NM_CLICK, IDC_CHECK_FAILED_LINK, &SetupDialog::OnHelpLinkClicked),
        OnMessage(WM_SETUP_SUCCEEDED, &SetupDialog::OnSetupSucceeded),
        OnMessage(WM_SETUP_PROGRESS, &SetupDialog::OnSetupProgress),
        OnRegisteredMessage(&WM_CUSTOM_UPDATE_PROGRESS, &SetupDialog::OnSetupProgress),
        OnMessage(WM_SETUP_STATUS, &SetupDialog::OnSetupStatus),
        OnMessage(WM_SETUP_FAILED_DOWNLOAD, &SetupDialog::OnSetupFailedDownload),
        OnMessage(WM_SETUP_FAILED, &SetupDialog::OnSetupFailed),
        OnMessage(WM_SETUP_INTERRUPTED, &SetupDialog::OnSetupInterrupted),
        OnRegisteredMessage(&WM_CUSTOM_UPDATE_LOWEXPAND, &SetupDialog::OnLowExpand),
        {},
    };
    return entries;
}

HWND SetupDialog::StatusLine() const {
    // The status line has no id of its own: -1 in an extended template, 0xFFFF in a plain one.
    if (HWND line = GetDlgItem(IDC_STATUS_LINE)) return line;
    return GetDlgItem(0xFFFF);
}

void SetupDialog::SetDefaultButton(int id) { SendMessage(DM_SETDEFID, id); }

BOOL SetupDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(_hIcon));

    SetWindowText(ProductText(IDS_CAPTION));
    _installButton.SetWindowText(AfxLoadString(IDS_INSTALL));
    _cancelButton.SetWindowText(AfxLoadString(IDS_CANCEL));

    _layout.Start(_hWnd);
    if (HWND placeholder = GetDlgItem(IDC_BANNER_PLACEHOLDER)) {
        _bannerWindow = _hWnd;
        LoadBanner(_hWnd, placeholder);
    }

    const HWND eulaLink = GetDlgItem(IDC_EULA_LINK);
    const HWND checkFailedLink = GetDlgItem(IDC_CHECK_FAILED_LINK);
    if (ChecksPassed) {
        ShowControl(checkFailedLink, false);
        if (HWND line = StatusLine())
            ::SetWindowTextW(line, ProductText(IDS_ACCEPT_LICENCE).c_str());
        SetLinkText(eulaLink, ProductText(IDS_READ_EULA));
        _acceptBox.SetWindowText(ProductText(IDS_ACCEPT_BOX));
        _acceptBox.ShowWindow(SW_SHOW);
        ShowControl(eulaLink, true);
        _acceptBox.SetCheck(BST_UNCHECKED);
    } else {
        _acceptBox.ShowWindow(SW_HIDE);
        ShowControl(eulaLink, false);
        ShowControl(StatusLine(), false);
        std::wstring reason;
        AfxFormatString1(reason, IDS_CHECK_FAILED, CheckMessage.c_str());
        SetLinkText(checkFailedLink, reason);
        ShowControl(checkFailedLink, true);
        _installButton.ShowWindow(SW_HIDE);
        SetDefaultButton(IDCANCEL);
    }

    ComeToFront(_hWnd);
    return TRUE;
}

LRESULT SetupDialog::OnPaint(WPARAM, LPARAM) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(_hWnd, &paint);
    if (IsIconic(_hWnd)) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
        RECT client;
        GetClientRect(_hWnd, &client);
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, _hIcon);
    } else {
        PaintBanners(_hWnd, dc);
    }
    EndPaint(_hWnd, &paint);
    return 0;
}

LRESULT SetupDialog::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(_hIcon); }

LRESULT SetupDialog::OnDpiChanged(WPARAM dpi, LPARAM suggested) {
    _layout.Change(HIWORD(dpi), *reinterpret_cast<const RECT*>(suggested));
    return 0;
}

LRESULT SetupDialog::OnAcceptBoxClicked(WPARAM, LPARAM) {
    const bool accepted = _acceptBox.GetCheck() == BST_CHECKED;
    _installButton.EnableWindow(accepted);
    SetDefaultButton(accepted ? IDC_INSTALL : IDCANCEL);
    (accepted ? _installButton : _cancelButton).SetFocus();
    return 0;
}

LRESULT SetupDialog::OnInstallClicked(WPARAM, LPARAM) {
    _acceptBox.ShowWindow(SW_HIDE);
    ShowControl(GetDlgItem(IDC_EULA_LINK), false);
    ShowControl(GetDlgItem(IDC_FAILURE_TEXT), false);
    _progressBar.ShowWindow(SW_SHOW);
    _installButton.EnableWindow(false);
    _installButton.ShowWindow(SW_HIDE);
    if (HWND placeholder = GetDlgItem(IDC_BANNER_PLACEHOLDER)) ::SetFocus(placeholder);

    // The dialog's own window: the active one may be another program's, or none at all.
    auto* param = new (std::nothrow) WorkerParam{_hWnd, {}};
    notStarted = false;
    StartWorker(param);
    return 0;
}

bool SetupDialog::BeginWorker(WorkerParam* param) {
    // Suspended until its handle is copied: the thread closes its own handle when it ends.
    CWinThread* thread =
        AfxBeginThread(ThreadDownloadInstall, param, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!thread) return false;
    DuplicateHandle(GetCurrentProcess(), thread->_hThread, GetCurrentProcess(), &_worker,
                    SYNCHRONIZE, FALSE, 0);
    ResumeThread(thread->_hThread);
    return true;
}

void SetupDialog::WaitForWorker(DWORD milliseconds) {
    if (!_worker) return;
    WaitForSingleObject(_worker, milliseconds);
    CloseHandle(_worker);
    _worker = nullptr;
}

void SetupDialog::StartWorker(WorkerParam* param) {
    if (param && BeginWorker(param)) return;
    // Without its worker the run can only fail; the dialog says so instead of waiting forever.
    delete param;
    WriteLog(L"The installation thread could not be started");
    PostMessageW(_hWnd, WM_SETUP_FAILED, 0, 0);
}

LRESULT SetupDialog::OnLicenceLinkClicked(WPARAM, LPARAM notify) {
    if (ClickedLinkIs(notify, L"idTLRShape")) OpenLink(kLinkLicence);
    return 0;
}

LRESULT SetupDialog::OnHelpLinkClicked(WPARAM, LPARAM notify) {
    if (ClickedLinkIs(notify, L"idHELP")) OpenLink(kLinkHelp);
    return 0;
}

LRESULT SetupDialog::OnSetupSucceeded(WPARAM, LPARAM) {
    if (HWND line = StatusLine())
        ::SetWindowTextW(line, ProductText(IDS_INSTALL_SUCCEEDED).c_str());
    endCode = IDOK;
    Finish();
    return 0;
}

LRESULT SetupDialog::OnSetupProgress(WPARAM position, LPARAM range) {
    if (const auto percent = ProgressPercent(static_cast<int32_t>(position),
                                             static_cast<int32_t>(range), ProgressEnabled)) {
        _progressBar.SetPos(*percent);
    }
    return 0;
}

LRESULT SetupDialog::OnSetupStatus(WPARAM, LPARAM param) {
    // The record is the copy PostSetupStatus made for this message.
    if (auto* status = reinterpret_cast<WorkerParam*>(param)) {
        if (HWND line = StatusLine()) ::SetWindowTextW(line, status->statusText.c_str());
        delete status;
    }
    if (CancelRequests.load() == 1) _cancelButton.EnableWindow(false);
    return 0;
}

LRESULT SetupDialog::OnSetupFailedDownload(WPARAM, LPARAM) {
    ShowFailure(IDS_DOWNLOAD_FAILED, IDABORT);
    return 0;
}

LRESULT SetupDialog::OnSetupFailed(WPARAM, LPARAM) {
    ShowFailure(IDS_INSTALL_FAILED, IDABORT);
    return 0;
}

LRESULT SetupDialog::OnSetupInterrupted(WPARAM, LPARAM) {
    ShowFailure(IDS_INTERRUPTED, IDCANCEL);
    return 0;
}

LRESULT SetupDialog::OnLowExpand(WPARAM, LPARAM) {
    if (HWND line = StatusLine())
        ::SetWindowTextW(line, AfxLoadString(IDS_EXPANDING_TEXTURES_WAIT).c_str());
    return 0;
}

void SetupDialog::ShowFailure(UINT textId, int code) {
    std::wstring text;
    AfxFormatString2(text, textId, kProductName, LogFilePath.c_str());
    ShowControl(StatusLine(), false);
    if (HWND failure = GetDlgItem(IDC_FAILURE_TEXT)) {
        ::ShowWindow(failure, SW_SHOW);
        ::SetWindowTextW(failure, text.c_str());
    }
    endCode = code;
    Finish();
}

void SetupDialog::Finish() {
    _progressBar.ShowWindow(SW_HIDE);
    _cancelButton.SetWindowText(AfxLoadString(IDS_CLOSE));
    _cancelButton.EnableWindow(true);
    _cancelButton.ShowWindow(SW_SHOW);
    SetDefaultButton(IDCANCEL);
    _cancelButton.SetFocus();
}

void SetupDialog::OnCancel() {
    if (notStarted) {
        EndDialog(IDCANCEL);
    } else if (endCode == 0) {
        ++CancelRequests;
        WriteLog(L"CANCEL APPLI");
    } else {
        EndDialog(endCode);
    }
}

void SetupDialog::OnOK() {}
