// Finding top-level windows: the setup dialog, message boxes, the foreground window.
#include "tests/tools/ui_driver/poll.h"
#include "tests/tools/ui_driver/ui_driver.h"

#include <vector>

namespace ui_driver {
namespace {

constexpr wchar_t kDialogClass[] = L"KESTRAClass";
constexpr wchar_t kMessageBoxClass[] = L"#32770";

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, static_cast<int>(sizeof name / sizeof name[0]));
    return name;
}

struct ClassSearch {
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ClassSearch*>(param);
    if (IsWindowVisible(window) && ClassOf(window) == search->className) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> VisibleTopLevelWindows(const wchar_t* className) {
    ClassSearch search{className, {}};
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string Describe(const std::wstring* caption) {
    std::string what = "message box (top-level \"#32770\" window)";
    if (caption) what += " with caption \"" + Narrow(*caption) + "\"";
    return what;
}

}  // namespace

std::wstring WindowCaption(HWND window) {
    // Reads the caption the system keeps, so a busy or hung owner cannot block the driver.
    wchar_t caption[512] = {};
    InternalGetWindowText(window, caption, static_cast<int>(sizeof caption / sizeof caption[0]));
    return caption;
}

Result<HWND> FindDialog() {
    const std::vector<HWND> found = VisibleTopLevelWindows(kDialogClass);
    if (found.empty()) return Result<HWND>::Fail("no visible window of class \"KESTRAClass\"");
    return Result<HWND>::Ok(found.front());
}

Result<HWND> WaitForDialog(DWORD timeoutMs) {
    HWND dialog = nullptr;
    const bool found = PollUntil(timeoutMs, [&] {
        const Result<HWND> r = FindDialog();
        dialog = r ? *r.value : nullptr;
        return dialog != nullptr;
    });
    if (!found) {
        return Result<HWND>::Fail("no visible window of class \"KESTRAClass\" within " +
                                  std::to_string(timeoutMs) + " ms");
    }
    return Result<HWND>::Ok(dialog);
}

Result<Done> WaitForDialogGone(DWORD timeoutMs) {
    if (!PollUntil(timeoutMs, [] { return VisibleTopLevelWindows(kDialogClass).empty(); })) {
        return Result<Done>::Fail("the \"KESTRAClass\" window is still there after " +
                                  std::to_string(timeoutMs) + " ms");
    }
    return Result<Done>::Ok({});
}

Result<HWND> FindMessageBox(const std::wstring* caption) {
    for (HWND box : VisibleTopLevelWindows(kMessageBoxClass)) {
        if (!caption || WindowCaption(box) == *caption) return Result<HWND>::Ok(box);
    }
    return Result<HWND>::Fail("no " + Describe(caption));
}

Result<HWND> WaitForMessageBox(const std::wstring* caption, DWORD timeoutMs) {
    HWND box = nullptr;
    const bool found = PollUntil(timeoutMs, [&] {
        const Result<HWND> r = FindMessageBox(caption);
        box = r ? *r.value : nullptr;
        return box != nullptr;
    });
    if (!found) {
        return Result<HWND>::Fail("no " + Describe(caption) + " within " +
                                  std::to_string(timeoutMs) + " ms");
    }
    return Result<HWND>::Ok(box);
}

Result<Done> WaitForWindowGone(HWND window, DWORD timeoutMs) {
    if (!PollUntil(timeoutMs, [&] { return !IsWindow(window); })) {
        return Result<Done>::Fail("the window \"" + Narrow(WindowCaption(window)) +
                                  "\" still exists after " + std::to_string(timeoutMs) + " ms");
    }
    return Result<Done>::Ok({});
}

WindowInfo ForegroundWindow() {
    WindowInfo info;
    info.hwnd = GetForegroundWindow();
    if (!info.hwnd) return info;
    info.className = ClassOf(info.hwnd);
    info.caption = WindowCaption(info.hwnd);
    if (info.className == kDialogClass) {
        info.kind = WindowKind::Dialog;
    } else if (info.className == kMessageBoxClass) {
        info.kind = WindowKind::MessageBox;
    } else {
        info.kind = WindowKind::Other;
    }
    return info;
}

Result<Done> Minimise(HWND window) {
    // Asynchronous, so that a window whose thread is inside a modal loop cannot block us.
    if (!ShowWindowAsync(window, SW_MINIMIZE) && !IsWindow(window)) {
        return Result<Done>::Fail("the window to minimise no longer exists");
    }
    if (!PollUntil(5000, [&] { return IsIconic(window) != FALSE; })) {
        return Result<Done>::Fail("the window did not become minimised within 5000 ms");
    }
    return Result<Done>::Ok({});
}

}  // namespace ui_driver
