// Dialog template 102, field by field, and the dialog it creates.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "dialog_template.h"
#include "tests/win/support/resource_bytes.h"
#include "resource_ids.h"

namespace {

// Ordinals of the predefined control classes in a template.
const WORD kButton = 0x0080;
const WORD kEdit = 0x0081;
const WORD kStatic = 0x0082;

struct ExpectedItem {
    LONG id;
    WORD classOrdinal;         // of a predefined class, else 0
    const wchar_t* className;  // also the class of the created control
    const wchar_t* text;
    bool visible;
    bool enabled;
    RECT rect;          // x, y, width, height
    DWORD kindMask;     // bits that name the control's kind ...
    DWORD kind;         // ... and their value
    DWORD extraStyles;  // further bits that must be set
};

const ExpectedItem kItems[] = {
    {IDC_BANNER_PLACEHOLDER,
     kStatic,
     L"Static",
     L"",
     false,
     true,
     {8, 7, 274, 147},
     SS_TYPEMASK,
     SS_BLACKFRAME,
     0},
    {IDC_STATUS_LINE,
     kStatic,
     L"Static",
     L"Accept",
     true,
     true,
     {8, 159, 249, 22},
     SS_TYPEMASK,
     SS_LEFT,
     0},
    {IDC_FAILURE_TEXT,
     kEdit,
     L"Edit",
     L"",
     false,
     true,
     // Down to the buttons: the German and Japanese failure texts take five lines.
     {8, 161, 274, 80},
     0,
     0,
     ES_MULTILINE | ES_READONLY},
    {IDC_CHECK_FAILED_LINK,
     0,
     L"SysLink",
     L"Custom2",
     false,
     true,
     {8, 161, 274, 80},
     0,
     0,
     WS_TABSTOP},
    {IDC_EULA_LINK, 0, L"SysLink", L"Read Eula", true, true, {8, 186, 274, 32}, 0, 0, WS_TABSTOP},
    {IDC_PROGRESS, 0, L"msctls_progress32", L"", false, true, {8, 211, 274, 14}, 0, 0, PBS_SMOOTH},
    {IDC_ACCEPT_BOX,
     kButton,
     L"Button",
     L"CheckTLR",
     true,
     true,
     {8, 213, 274, 32},
     BS_TYPEMASK,
     BS_AUTOCHECKBOX,
     BS_NOTIFY | WS_TABSTOP},
    {IDC_INSTALL,
     kButton,
     L"Button",
     L"Install",
     true,
     false,
     {172, 248, 50, 15},
     BS_TYPEMASK,
     BS_PUSHBUTTON,
     WS_TABSTOP},
    {IDCANCEL,
     kButton,
     L"Button",
     L"Cancel",
     true,
     true,
     {232, 248, 50, 15},
     BS_TYPEMASK,
     BS_PUSHBUTTON,
     WS_TABSTOP},
};

DialogTemplate LoadTemplate() {
    auto bytes = ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_SETUP_DIALOG));
    EXPECT_TRUE(bytes) << "no dialog 102";
    auto parsed = ParseDialogTemplate(bytes.value_or(std::vector<BYTE>()));
    EXPECT_TRUE(parsed) << "dialog 102 is not a complete extended template";
    return parsed.value_or(DialogTemplate());
}

// A predefined class may be given by its ordinal or its name; other classes only by name.
bool SameClass(const NameOrOrdinal& actual, const ExpectedItem& want) {
    if (actual.ordinal) return actual.ordinal == want.classOrdinal;
    return want.classOrdinal ? _wcsicmp(actual.name.c_str(), want.className) == 0
                             : actual.name == want.className;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(DialogTemplate, HeaderGivesClassFontSizeAndStyles) {
    DialogTemplate dialog = LoadTemplate();
    EXPECT_EQ(dialog.windowClass.name, L"KESTRAClass");
    EXPECT_EQ(dialog.windowClass.ordinal, 0);
    EXPECT_EQ(dialog.typeface, L"MS Shell Dlg");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_TRUE(SameRect(dialog.rect, RECT{0, 0, 290, 271}));
    EXPECT_EQ(dialog.title, L"");
    EXPECT_EQ(dialog.menu.ordinal, 0);
    EXPECT_EQ(dialog.menu.name, L"");
    EXPECT_EQ(dialog.style, static_cast<DWORD>(DS_SHELLFONT | DS_MODALFRAME | WS_POPUP |
                                               WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_EQ(dialog.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
}

TEST(DialogTemplate, ControlsComeInOrderWithIdClassTextStateAndRect) {
    DialogTemplate dialog = LoadTemplate();
    ASSERT_EQ(dialog.items.size(), std::size(kItems));
    for (size_t i = 0; i < std::size(kItems); ++i) {
        const ExpectedItem& want = kItems[i];
        const DialogItem& item = dialog.items[i];
        SCOPED_TRACE(testing::Message() << "control " << want.id);
        EXPECT_EQ(item.id, want.id);
        EXPECT_TRUE(SameClass(item.windowClass, want)) << "class " << item.windowClass.ordinal;
        EXPECT_EQ(item.text.ordinal, 0);
        EXPECT_EQ(item.text.name, want.text);
        EXPECT_TRUE(SameRect(item.rect, want.rect));
        EXPECT_EQ((item.style & WS_VISIBLE) != 0, want.visible);
        EXPECT_EQ((item.style & WS_DISABLED) == 0, want.enabled);
        EXPECT_TRUE(item.style & WS_CHILD);
        EXPECT_EQ(item.style & want.kindMask, want.kind);
        EXPECT_EQ(item.style & want.extraStyles, want.extraStyles);
    }
}

TEST(DialogTemplate, CreatesEveryControlWithCommonControlsSix) {
    // SysLink exists only in version 6 of the common controls, which the manifest selects.
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LINK_CLASS | ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    WNDCLASSW dialogClass{};
    dialogClass.lpfnWndProc = DefDlgProcW;
    dialogClass.cbWndExtra = DLGWINDOWEXTRA;
    dialogClass.hInstance = GetModuleHandleW(nullptr);
    dialogClass.lpszClassName = L"KESTRAClass";
    ASSERT_TRUE(RegisterClassW(&dialogClass));

    HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETUP_DIALOG),
                                     nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();
    wchar_t name[64] = {};
    GetClassNameW(dialog, name, 64);
    EXPECT_STREQ(name, L"KESTRAClass");
    for (const ExpectedItem& want : kItems) {
        HWND control = GetDlgItem(dialog, want.id);
        ASSERT_NE(control, nullptr) << "control " << want.id;
        GetClassNameW(control, name, 64);
        EXPECT_EQ(_wcsicmp(name, want.className), 0) << "control " << want.id << ": " << name;
        EXPECT_EQ(IsWindowEnabled(control) != FALSE, want.enabled) << "control " << want.id;
    }
    DestroyWindow(dialog);
    UnregisterClassW(L"KESTRAClass", GetModuleHandleW(nullptr));
}
