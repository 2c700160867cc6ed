// A setup dialog on a real window, run modally by the test thread while a driver thread plays
// the user and the worker.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/setup_dialog.h"

// Once per suite: the log in a fresh temporary folder of that name, the dialog's class and the
// common controls registered.
void PrepareDialogSuite(const std::wstring& name);

class DrivenDialog : public SetupDialog {
  public:
    std::atomic<HWND> window{nullptr};
    std::atomic<HWND> rival{nullptr};
    bool withRival = false;
    std::atomic<bool> workerStarted{false};
    std::unique_ptr<WorkerParam> param;
    bool threadRefused = false;

  protected:
    BOOL OnInitDialog() override;
    bool BeginWorker(WorkerParam* record) override;
};

HWND Control(HWND dialog, int id);
std::wstring Text(HWND dialog, int id);
bool Visible(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
void Click(HWND dialog, int id);
int DefaultButton(HWND dialog);
int BarPosition(HWND dialog);

// Runs the dialog until it ends; drive() plays against it from another thread and must end
// it. A dialog left open is ended with -5 so that a failing case cannot hang the suite.
INT_PTR RunDriven(DrivenDialog& dialog, const std::function<void(HWND)>& drive);

// Accepts the licence and presses Install; the worker is then started (as a record).
void PressInstall(HWND window, DrivenDialog& dialog);
