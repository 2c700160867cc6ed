#include "app/dpi_layout.h"

#include <algorithm>

#include "checks/proc_address_win.h"
#include "resources/resource_ids.h"

namespace {

HMODULE User32() { return GetModuleHandleW(L"user32.dll"); }

// The dialog manager's base units for a font: the average width of the letters and the height.
SIZE BaseUnits(HFONT font) {
    HDC dc = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE letters{};
    GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

RECT Scaled(const RECT& rect, SIZE from, SIZE to) {
    return {MulDiv(rect.left, to.cx, from.cx), MulDiv(rect.top, to.cy, from.cy),
            MulDiv(rect.right, to.cx, from.cx), MulDiv(rect.bottom, to.cy, from.cy)};
}

// The window rectangle around a client area, with the frame's size at dpi.
RECT WindowAround(HWND window, RECT client, UINT dpi) {
    const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
    using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    if (const auto adjust = ProcAddress<AdjustForDpi>(User32(), "AdjustWindowRectExForDpi"))
        adjust(&client, style, FALSE, exStyle, dpi);
    else
        AdjustWindowRectEx(&client, style, FALSE, exStyle);
    return client;
}

}  // namespace

UINT WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    if (const auto forWindow = ProcAddress<GetDpiForWindowFunction>(User32(), "GetDpiForWindow")) {
        if (const UINT dpi = forWindow(window)) return dpi;
    }
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return static_cast<UINT>(dpi);
}

DpiLayout::~DpiLayout() {
    if (_made) DeleteObject(_made);
}

void DpiLayout::Start(HWND dialog) {
    _dialog = dialog;
    // Windows 10 from 1703 would rescale the dialog by itself as well: one layout only.
    using SetBehavior = BOOL(WINAPI*)(HWND, int, int);
    const int disableAll = 1;
    if (const auto set = ProcAddress<SetBehavior>(User32(), "SetDialogDpiChangeBehavior"))
        set(dialog, disableAll, disableAll);

    const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof _font, &_font);
    RECT units{0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    _base = {units.right, units.bottom};
    RECT client;
    GetClientRect(dialog, &client);
    _client = {client.right, client.bottom};
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        _controls.push_back({child, rect});
    }
    Apply(WindowDpi(dialog), nullptr);
}

void DpiLayout::Change(UINT dpi, const RECT& suggested) { Apply(dpi, &suggested); }

void DpiLayout::Apply(UINT dpi, const RECT* suggested) {
    if (!_dialog || _base.cx <= 0 || _base.cy <= 0) return;
    LOGFONTW wanted = _font;
    wanted.lfHeight = -MulDiv(SETUP_DIALOG_FONT_POINTS, static_cast<int>(dpi), 72);
    wanted.lfWidth = 0;
    const HFONT font = CreateFontIndirectW(&wanted);
    if (!font) return;
    const SIZE base = BaseUnits(font);
    if (!suggested && !_made && base.cx == _base.cx && base.cy == _base.cy) {
        // Made at this DPI already.
        DeleteObject(font);
        return;
    }
    for (const auto& [control, rect] : _controls) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        const RECT at = Scaled(rect, _base, base);
        SetWindowPos(control, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (_made) DeleteObject(_made);
    _made = font;

    // The suggested rectangle scales the window evenly; the font's base units do not grow quite
    // evenly with the DPI, so the window grows where the controls need more room.
    const RECT client = Scaled({0, 0, _client.cx, _client.cy}, _base, base);
    const RECT needed = WindowAround(_dialog, client, dpi);
    const int neededWidth = needed.right - needed.left;
    const int neededHeight = needed.bottom - needed.top;
    RECT window;
    if (suggested) {
        window = *suggested;
        window.right = std::max(window.right, window.left + neededWidth);
        window.bottom = std::max(window.bottom, window.top + neededHeight);
    } else {
        GetWindowRect(_dialog, &window);
        window.right = window.left + neededWidth;
        window.bottom = window.top + neededHeight;
    }
    SetWindowPos(_dialog, nullptr, window.left, window.top, window.right - window.left,
                 window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(_dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
