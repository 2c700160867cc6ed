// The setup's only window: banner, licence or check failure, then progress and the outcome.
#pragma once

#include "app/dpi_layout.h"
#include "base/worker_messages.h"
#include "framework/afx_dialog.h"

// The system dialog class copied under the name the template gives, so that a second setup can
// find the window by its class.
void RegisterSetupDialogClass(HINSTANCE instance);

class SetupDialog : public CDialog {
  public:
    explicit SetupDialog(CWnd* parent = nullptr);
    ~SetupDialog() override;

    // Before the process ends: the worker may still be deleting the downloads.
    void WaitForWorker(DWORD milliseconds);

  protected:
    void DoDataExchange(CDataExchange* exchange) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    // Enter before any default button is set: ignored, so that it cannot end the dialog with
    // the success code (and launch a product that was never installed).
    void OnOK() override;
    const MessageMapEntry* GetMessageMap() const override;

    // Starts the installation worker on its own thread with the record; false when it could
    // not be started, the record then still being the caller's.
    virtual bool BeginWorker(WorkerParam* param);

  private:
    void StartWorker(WorkerParam* param);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnDpiChanged(WPARAM dpi, LPARAM suggested);
    LRESULT OnAcceptBoxClicked(WPARAM, LPARAM);
    LRESULT OnInstallClicked(WPARAM, LPARAM);
    LRESULT OnLicenceLinkClicked(WPARAM, LPARAM notify);
    LRESULT OnHelpLinkClicked(WPARAM, LPARAM notify);
    LRESULT OnSetupSucceeded(WPARAM, LPARAM);
    LRESULT OnSetupProgress(WPARAM position, LPARAM range);
    LRESULT OnSetupStatus(WPARAM, LPARAM param);
    LRESULT OnSetupFailedDownload(WPARAM, LPARAM);
    LRESULT OnSetupFailed(WPARAM, LPARAM);
    LRESULT OnSetupInterrupted(WPARAM, LPARAM);
    LRESULT OnLowExpand(WPARAM, LPARAM);

    void ShowFailure(UINT textId, int code);
    void Finish();
    void SetDefaultButton(int id);
    HWND StatusLine() const;

    CButton _acceptBox;
    CButton _installButton;
    CProgressCtrl _progressBar;
    CButton _cancelButton;
    HICON _hIcon;
    HWND _bannerWindow = nullptr;
    DpiLayout _layout;
    HANDLE _worker = nullptr;  // a copy of the worker thread's handle, to wait for its end
    bool notStarted = true;
    int endCode = 0;  // 0 while running; then 1 success, 2 interrupted, 3 failed
};
