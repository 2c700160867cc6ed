#include "base/worker_messages.h"

const UINT WM_CUSTOM_UPDATE_PROGRESS = RegisterWindowMessageW(L"CUSTOM_UPDATE_PROGRESS");
const UINT WM_CUSTOM_UPDATE_LOWEXPAND = RegisterWindowMessageW(L"CUSTOM_UPDATE_LOWEXPAND");

void PostSetupStatus(const WorkerParam* param) {
    if (!param) return;
    auto* copy = new WorkerParam(*param);
    if (!PostMessageW(param->hwnd, WM_SETUP_STATUS, 0, reinterpret_cast<LPARAM>(copy))) {
        delete copy;
    }
}

void PostSetupProgress(const WorkerParam* param, int position, int range) {
    if (param) PostMessageW(param->hwnd, WM_SETUP_PROGRESS, position, range);
}

void PostSetupOutcome(const WorkerParam* param, UINT message) {
    if (param) PostMessageW(param->hwnd, message, 0, 0);
}
