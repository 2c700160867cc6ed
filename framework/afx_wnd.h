// Thin window wrappers: a CWnd only holds the handle of a window it does not own.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <string>

class CWnd {
  public:
    CWnd() = default;
    virtual ~CWnd() = default;

    void Attach(HWND hwnd) { _hWnd = hwnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(_hWnd, id); }

    void ShowWindow(int command) const { ::ShowWindow(_hWnd, command); }
    void EnableWindow(bool enable) const { ::EnableWindow(_hWnd, enable ? TRUE : FALSE); }
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(_hWnd, text.c_str()); }
    void SetFocus() const { ::SetFocus(_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(_hWnd, message, wParam, lParam);
    }

    HWND _hWnd = nullptr;
};

class CButton : public CWnd {
  public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

class CProgressCtrl : public CWnd {
  public:
    void SetPos(int position) const { SendMessage(PBM_SETPOS, static_cast<WPARAM>(position)); }
};

// Registers a window class unless a class of that name already exists for its instance.
BOOL AfxRegisterClass(WNDCLASSW* windowClass);
