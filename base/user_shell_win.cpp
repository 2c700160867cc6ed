#include "base/user_shell_win.h"

#include <windows.h>
#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {

// Releases the interface it holds when it goes.
template <typename Interface>
class Held {
  public:
    Held() = default;
    ~Held() {
        if (_pointer) _pointer->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Interface* operator->() const { return _pointer; }
    Interface** Out() { return &_pointer; }
    void** OutVoid() { return reinterpret_cast<void**>(&_pointer); }
    explicit operator bool() const { return _pointer != nullptr; }

  private:
    Interface* _pointer = nullptr;
};

class Text {
  public:
    explicit Text(const std::wstring& text) {
        VariantInit(&_value);
        _value.vt = VT_BSTR;
        _value.bstrVal = SysAllocString(text.c_str());
    }
    ~Text() { VariantClear(&_value); }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    const VARIANT& Variant() const { return _value; }
    BSTR String() const { return _value.bstrVal; }

  private:
    VARIANT _value;
};

// The Shell.Application object of the desktop's own view, which lives in the user's shell.
bool DesktopDispatch(Held<IShellDispatch2>& shell) {
    Held<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                IID_IShellWindows, windows.OutVoid())))
        return false;
    VARIANT none;
    VariantInit(&none);
    long window = 0;
    Held<IDispatch> desktop;
    if (windows->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.Out()) != S_OK ||
        !desktop)
        return false;
    Held<IServiceProvider> services;
    Held<IShellBrowser> browser;
    Held<IShellView> view;
    Held<IDispatch> background;
    Held<IShellFolderViewDual> folderView;
    Held<IDispatch> application;
    return SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, services.OutVoid())) &&
           SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                            browser.OutVoid())) &&
           SUCCEEDED(browser->QueryActiveShellView(view.Out())) &&
           SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                         background.OutVoid())) &&
           SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual,
                                                folderView.OutVoid())) &&
           SUCCEEDED(folderView->get_Application(application.Out())) &&
           SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.OutVoid()));
}

}  // namespace

bool DesktopShell::OpenThroughDesktop(const std::wstring& target, const std::wstring& arguments) {
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool opened = false;
    {
        Held<IShellDispatch2> shell;
        if (DesktopDispatch(shell)) {
            const Text file(target), parameters(arguments), verb(L"open");
            VARIANT folder, show;
            VariantInit(&folder);
            VariantInit(&show);
            show.vt = VT_I4;
            show.lVal = SW_SHOWNORMAL;
            opened = SUCCEEDED(
                shell->ShellExecute(file.String(), parameters.Variant(), folder, verb.Variant(), show));
        }
    }
    if (SUCCEEDED(initialized)) CoUninitialize();
    return opened;
}

bool DesktopShell::OpenDirectly(const std::wstring& target, const std::wstring& arguments) {
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", target.c_str(),
                      arguments.empty() ? nullptr : arguments.c_str(), nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
