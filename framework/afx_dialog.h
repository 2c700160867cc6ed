// Modal dialogs from a dialog template, with a table-driven message map in the derived class.
#pragma once

#include <windows.h>

#include "framework/afx_wnd.h"

class CDialog;

// Data exchange: binds dialog controls to the wrapper objects of the dialog class.
class CDataExchange {
  public:
    explicit CDataExchange(CDialog* dialog) : _pDlgWnd(dialog) {}
    CDialog* _pDlgWnd;
};

// Attaches control to the dialog's child with the given id (no window when there is none).
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);

// One row of a message map. Handlers take the message's wParam and lParam; for a notification
// lParam is the NMHDR pointer.
struct MessageMapEntry {
    using Handler = LRESULT (CDialog::*)(WPARAM, LPARAM);
    enum class Kind { End, Message, RegisteredMessage, Command, Notify };

    Kind kind = Kind::End;
    UINT message = 0;                  // Message: the message; Command/Notify: the code
    const UINT* registered = nullptr;  // RegisteredMessage: where its number is kept
    UINT_PTR controlId = 0;            // Command/Notify: the sending control
    Handler handler = nullptr;
};

template <class Dialog>
MessageMapEntry OnMessage(UINT message, LRESULT (Dialog::*handler)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::Message, message, nullptr, 0,
            static_cast<MessageMapEntry::Handler>(handler)};
}
template <class Dialog>
MessageMapEntry OnRegisteredMessage(const UINT* message,
                                    LRESULT (Dialog::*handler)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::RegisteredMessage, 0, message, 0,
            static_cast<MessageMapEntry::Handler>(handler)};
}
template <class Dialog>
MessageMapEntry OnCommand(UINT code, UINT_PTR id, LRESULT (Dialog::*handler)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::Command, code, nullptr, id,
            static_cast<MessageMapEntry::Handler>(handler)};
}
template <class Dialog>
MessageMapEntry OnNotify(UINT code, UINT_PTR id, LRESULT (Dialog::*handler)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::Notify, code, nullptr, id,
            static_cast<MessageMapEntry::Handler>(handler)};
}

class CDialog : public CWnd {
  public:
    CDialog(UINT templateId, CWnd* parent);

    // Runs the dialog until EndDialog; returns the end code, or -1 when it could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

  protected:
    virtual void DoDataExchange(CDataExchange* exchange);
    // Binds the controls; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    // IDCANCEL, Esc and the close box.
    virtual void OnCancel();
    // IDOK: left to the system default unless a dialog handles it.
    virtual void OnOK();
    // The derived class's map, ended by an entry of kind End; none by default.
    virtual const MessageMapEntry* GetMessageMap() const;

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    const MessageMapEntry* FindHandler(UINT message, WPARAM wParam, LPARAM lParam) const;

    UINT _templateId;
    HWND _parent;
};
