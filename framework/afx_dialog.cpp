#include "framework/afx_dialog.h"

#include "framework/afx_app.h"

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
    control.Attach(exchange->_pDlgWnd->GetDlgItem(id));
}

CDialog::CDialog(UINT templateId, CWnd* parent)
    : _templateId(templateId), _parent(parent ? parent->_hWnd : nullptr) {}

INT_PTR CDialog::DoModal() {
    return DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(_templateId), _parent,
                           &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int result) { ::EndDialog(_hWnd, result); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    CDataExchange exchange(this);
    DoDataExchange(&exchange);
    return TRUE;
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnOK() { EndDialog(IDOK); }

const MessageMapEntry* CDialog::GetMessageMap() const {
    static const MessageMapEntry none[] = {{}};
    return none;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->_hWnd = window;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return FALSE;
    const INT_PTR handled = dialog->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) dialog->_hWnd = nullptr;
    return handled;
}

const MessageMapEntry* CDialog::FindHandler(UINT message, WPARAM wParam, LPARAM lParam) const {
    using Kind = MessageMapEntry::Kind;
    for (const MessageMapEntry* entry = GetMessageMap(); entry->kind != Kind::End; ++entry) {
        switch (entry->kind) {
            case Kind::Message:
                if (entry->message == message) return entry;
                break;
            case Kind::RegisteredMessage:
                if (*entry->registered != 0 && *entry->registered == message) return entry;
                break;
            case Kind::Command:
                if (message == WM_COMMAND && HIWORD(wParam) == entry->message &&
                    LOWORD(wParam) == entry->controlId)
                    return entry;
                break;
            case Kind::Notify: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (message == WM_NOTIFY && header && header->code == entry->message &&
                    header->idFrom == entry->controlId)
                    return entry;
                break;
            }
            case Kind::End:
                break;
        }
    }
    return nullptr;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const MessageMapEntry* entry = FindHandler(message, wParam, lParam)) {
        const LRESULT result = (this->*entry->handler)(wParam, lParam);
        // The few messages whose answer is the dialog procedure's own return value.
        if (message == WM_QUERYDRAGICON || message == WM_CTLCOLORDLG ||
            message == WM_CTLCOLORSTATIC) {
            return static_cast<INT_PTR>(result);
        }
        SetWindowLongPtrW(_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
    }
    return FALSE;
}
