// The dialog laid out for its window's DPI: at start, and again whenever Windows moves it to a
// display of another scale (WM_DPICHANGED). Controls, their font and the window grow with the
// dialog font's base units, as the dialog manager would have made them at that DPI.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

// Sent to a per-monitor aware window when its DPI changes (Windows 8.1 on; the headers give it
// only to programs that need Windows 7 or later).
constexpr UINT kDpiChangedMessage = 0x02E0;

class DpiLayout {
  public:
    DpiLayout() = default;
    ~DpiLayout();
    DpiLayout(const DpiLayout&) = delete;
    DpiLayout& operator=(const DpiLayout&) = delete;

    // Records the dialog as the dialog manager made it and lays it out for the window's DPI.
    void Start(HWND dialog);
    // The window takes the rectangle Windows suggests, its controls the new DPI.
    void Change(UINT dpi, const RECT& suggested);

  private:
    void Apply(UINT dpi, const RECT* suggested);

    HWND _dialog = nullptr;
    LOGFONTW _font{};  // the dialog manager's font
    SIZE _base{};      // its base units
    SIZE _client{};
    std::vector<std::pair<HWND, RECT>> _controls;  // client coordinates, as made
    HFONT _made = nullptr;                          // the font this layout set, if any
};

// The DPI the window is shown at: its monitor's where the system scales per monitor (Windows 10
// from 1607), else the system's.
UINT WindowDpi(HWND window);
