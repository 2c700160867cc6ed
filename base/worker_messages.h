// The messages the worker side posts to the setup dialog, and the record that carries its
// window and status text.
#pragma once

#include <windows.h>

#include <string>

// Clear of the dialog manager's own messages just above WM_USER (DM_SETDEFID is WM_USER + 1).
constexpr UINT WM_SETUP_SUCCEEDED = 0x0501;
constexpr UINT WM_SETUP_PROGRESS = 0x0502;  // wParam position, lParam range
constexpr UINT WM_SETUP_STATUS = 0x0503;    // lParam: a WorkerParam copy
constexpr UINT WM_SETUP_FAILED_DOWNLOAD = 0x0504;
constexpr UINT WM_SETUP_FAILED = 0x0505;
constexpr UINT WM_SETUP_INTERRUPTED = 0x0506;

// Posted by the product's texture tool, which gets the dialog's handle on its command line.
extern const UINT WM_CUSTOM_UPDATE_PROGRESS;
extern const UINT WM_CUSTOM_UPDATE_LOWEXPAND;

struct WorkerParam {
    HWND hwnd = nullptr;
    std::wstring statusText;
};

// Posts WM_SETUP_STATUS with a heap copy of the record, so the text outlives the worker's
// record; the dialog frees the copy when it handles the message. No record: nothing posted.
void PostSetupStatus(const WorkerParam* param);
void PostSetupProgress(const WorkerParam* param, int position, int range);
// One of the four final messages; the record itself is not passed on.
void PostSetupOutcome(const WorkerParam* param, UINT message);
