// Clicking with the mouse: real input at a point of the screen, delivered by the system to the
// window under it, as for a user.
#include "tests/tools/ui_driver/poll.h"
#include "tests/tools/ui_driver/ui_driver.h"

namespace ui_driver {
namespace {

constexpr UINT kHitTimeoutMs = 1000;
// Fine enough for the smallest link text, coarse enough to scan a control in well under a second.
constexpr int kScanStepX = 2;
constexpr int kScanStepY = 3;

bool OverLink(HWND link, POINT screen) {
    DWORD_PTR hit = HTNOWHERE;
    if (!SendMessageTimeoutW(link, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y),
                             SMTO_ABORTIFHUNG, kHitTimeoutMs, &hit)) {
        return false;
    }
    return static_cast<LRESULT>(hit) == HTCLIENT;
}

// Each event carries its own position: a late pointer motion from an earlier move (Wine's X
// driver reports the warps of SetCursorPos asynchronously) cannot carry the button elsewhere.
bool SendMouse(POINT screen, DWORD flags) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return false;
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Normalised to 0..65535, rounded up so that the system's scaling back lands on the pixel.
    input.mi.dx = static_cast<LONG>((static_cast<LONGLONG>(screen.x) * 65536 + width - 1) / width);
    input.mi.dy =
        static_cast<LONG>((static_cast<LONGLONG>(screen.y) * 65536 + height - 1) / height);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return SendInput(1, &input, sizeof input) == 1;
}

bool CursorAt(POINT screen) {
    POINT now{};
    return GetCursorPos(&now) && now.x == screen.x && now.y == screen.y;
}

}  // namespace

Result<RECT> WindowRect(HWND window) {
    RECT rect{};
    if (!IsWindow(window) || !GetWindowRect(window, &rect)) {
        return Result<RECT>::Fail("the window no longer exists");
    }
    return Result<RECT>::Ok(rect);
}

Result<POINT> FindLinkPoint(HWND dialog, int id) {
    const Result<HWND> control = FindControl(dialog, id);
    if (!control) return Result<POINT>::Fail(control.error);
    const HWND link = *control.value;
    wchar_t className[32] = {};
    GetClassNameW(link, className, 32);
    if (lstrcmpiW(className, L"SysLink") != 0) {
        return Result<POINT>::Fail("control " + std::to_string(id) + " is not a link control");
    }
    if (!IsWindowVisible(link))
        return Result<POINT>::Fail("control " + std::to_string(id) + " is hidden");
    RECT area;
    GetWindowRect(link, &area);
    // The link control answers HTCLIENT over a link and lets the mouse through elsewhere: the
    // middle of the first run of such points on a line is a point of the first link.
    for (LONG y = area.top + 1; y < area.bottom; y += kScanStepY) {
        for (LONG x = area.left; x < area.right; x += kScanStepX) {
            if (!OverLink(link, {x, y})) continue;
            LONG end = x;
            while (end + kScanStepX < area.right && OverLink(link, {end + kScanStepX, y})) {
                end += kScanStepX;
            }
            return Result<POINT>::Ok({(x + end) / 2, y});
        }
    }
    return Result<POINT>::Fail("control " + std::to_string(id) + " shows no link");
}

Result<Done> ClickAt(POINT screen) {
    if (!SendMouse(screen, 0) || !PollUntil(kHitTimeoutMs, [&] { return CursorAt(screen); }))
        return Result<Done>::Fail("the mouse could not be moved");
    if (!SendMouse(screen, MOUSEEVENTF_LEFTDOWN) || !SendMouse(screen, MOUSEEVENTF_LEFTUP)) {
        return Result<Done>::Fail("the mouse click could not be sent");
    }
    return Result<Done>::Ok({});
}

}  // namespace ui_driver
