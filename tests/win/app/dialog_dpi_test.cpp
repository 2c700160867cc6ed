// The dialog at 150 % (144 dpi, a prefix of its own that CTest gives) and then moved to displays
// of 100, 125 and 200 %, in the user-interface language CTest gives: every text fits its
// control, every control its window, and the banner fills its frame.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/dpi_layout.h"
#include "base/product_text.h"
#include "base/setup_state.h"
#include "framework/afx_strings.h"
#include "resources/resource_ids.h"
#include "tests/win/app/driven_dialog.h"
#include "tests/win/support/win_test_support.h"

namespace {

const UINT kScales[] = {96, 120, 192, 144};

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The extent the control's text needs, word-wrapped at width, in the control's own font.
SIZE NeededExtent(HWND control, int width, UINT format) {
    wchar_t text[1024] = L"";
    GetWindowTextW(control, text, 1024);
    HDC dc = GetDC(control);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, width, 0};
    DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | format);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {needed.right, needed.bottom};
}

void ExpectTextFits(HWND dialog, int id, UINT dpi) {
    const HWND control = Control(dialog, id);
    SCOPED_TRACE(testing::Message() << "control " << id << " at " << dpi << " dpi: \""
                                    << Narrow(Text(dialog, id)) << "\"");
    RECT area;
    GetClientRect(control, &area);
    wchar_t className[32] = L"";
    GetClassNameW(control, className, 32);
    const std::wstring kind = className;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    if (kind == L"SysLink") {
        EXPECT_LE(SendMessageW(control, LM_GETIDEALHEIGHT, 0, 0), area.bottom);
        return;
    }
    if (kind == L"Edit") SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    UINT format = DT_WORDBREAK;
    if (kind == L"Button" && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        area.left += MulDiv(16, static_cast<int>(dpi), 96);  // the box and the gap after it
    } else if (kind == L"Button") {
        format = DT_SINGLELINE;
        area.right -= MulDiv(6, static_cast<int>(dpi), 96);  // the button's edges
    }
    const SIZE needed = NeededExtent(control, area.right - area.left, format);
    EXPECT_LE(needed.cx, area.right - area.left);
    EXPECT_LE(needed.cy, area.bottom - area.top);
}

bool IsSky(COLORREF colour) { return GetBValue(colour) > GetRValue(colour) + 40; }
bool IsGround(COLORREF colour) {
    return GetGValue(colour) > GetRValue(colour) + 20 && GetGValue(colour) > GetBValue(colour);
}

// The frame's corners show the picture's own: sky at the top, ground at the bottom.
void ExpectBannerFillsItsFrame(HWND dialog, UINT dpi) {
    SCOPED_TRACE(testing::Message() << "banner at " << dpi << " dpi");
    const RECT frame = ClientRectOf(dialog, Control(dialog, IDC_BANNER_PLACEHOLDER));
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(dialog);
    const bool filled = WaitUntil([&] {
        return IsSky(GetPixel(dc, frame.left + 2, frame.top + 2)) &&
               IsSky(GetPixel(dc, frame.right - 3, frame.top + 2)) &&
               IsGround(GetPixel(dc, frame.left + 2, frame.bottom - 3)) &&
               IsGround(GetPixel(dc, frame.right - 3, frame.bottom - 3));
    });
    ReleaseDC(dialog, dc);
    EXPECT_TRUE(filled);
}

// Every visible control inside the client area, every text inside its control.
void ExpectLaidOut(HWND dialog, UINT dpi) {
    RECT client;
    GetClientRect(dialog, &client);
    for (const int id : {IDC_STATUS_LINE, IDC_FAILURE_TEXT, IDC_CHECK_FAILED_LINK, IDC_EULA_LINK,
                         IDC_PROGRESS, IDC_ACCEPT_BOX, IDC_INSTALL, IDCANCEL}) {
        const HWND control = Control(dialog, id);
        if (!IsWindowVisible(control)) continue;
        const RECT rect = ClientRectOf(dialog, control);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                    rect.bottom <= client.bottom)
            << "control " << id << " leaves the window at " << dpi << " dpi";
        ExpectTextFits(dialog, id, dpi);
    }
    ExpectBannerFillsItsFrame(dialog, dpi);
}

// Moves the dialog to a display of dpi the way Windows does: the message with the new DPI and
// the window's rectangle scaled to it. Wine draws the same frame at every DPI, so only the
// client area is scaled here.
void MoveToDpi(HWND dialog, UINT from, UINT to) {
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    const int frameWidth = window.right - window.left - client.right;
    const int frameHeight = window.bottom - window.top - client.bottom;
    RECT suggested{window.left, window.top,
                   window.left + frameWidth + MulDiv(client.right, to, from),
                   window.top + frameHeight + MulDiv(client.bottom, to, from)};
    SendMessageW(dialog, kDpiChangedMessage, MAKEWPARAM(to, to),
                 reinterpret_cast<LPARAM>(&suggested));
    // Taken, grown only where the controls need it.
    RECT taken;
    GetWindowRect(dialog, &taken);
    EXPECT_TRUE(taken.left == suggested.left && taken.top == suggested.top &&
                taken.right >= suggested.right && taken.bottom >= suggested.bottom &&
                taken.right - suggested.right <= (suggested.right - suggested.left) / 10)
        << "the suggested rectangle at " << to << " dpi";
}

// Lays the state out at 144 dpi and at every other scale, and back.
void ExpectLaidOutAtEveryScale(HWND dialog) {
    ExpectLaidOut(dialog, 144);
    UINT at = 144;
    for (const UINT dpi : kScales) {
        MoveToDpi(dialog, at, dpi);
        at = dpi;
        ExpectLaidOut(dialog, dpi);
    }
}

void PostStatus(HWND dialog, UINT id) {
    PostMessageW(dialog, WM_SETUP_STATUS, 0,
                 reinterpret_cast<LPARAM>(new WorkerParam{dialog, ProductText(id)}));
}

class DialogAtHighDpi : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { PrepareDialogSuite(L"dialog_dpi"); }
    void SetUp() override {
        CancelRequests = 0;
        ProgressEnabled = 1;
    }
};

}  // namespace

TEST_F(DialogAtHighDpi, LicenceInstallingAndFailedStatesFitAtEveryScale) {
    ChecksPassed = true;
    DrivenDialog dialog;
    RunDriven(dialog, [&](HWND window) {
        ASSERT_EQ(WindowDpi(window), 144u) << "the process is not DPI-aware at 144 dpi";
        ExpectLaidOutAtEveryScale(window);

        PressInstall(window, dialog);
        for (const UINT status :
             {IDS_DOWNLOADING_PRODUCT, IDS_INSTALLING_MSXML, IDS_EXPANDING_TEXTURES,
              IDS_LAUNCHING_OPTIMIZER, IDS_REMOVING_PRODUCT, IDS_CANCEL_IN_PROGRESS,
              IDS_EXPANDING_TEXTURES_WAIT, IDS_INSTALLER_BUSY}) {
            PostStatus(window, status);
            ASSERT_TRUE(WaitUntil([&] { return Text(window, IDC_STATUS_LINE) == ProductText(status); }));
            ExpectLaidOut(window, 144);
        }
        ExpectLaidOutAtEveryScale(window);

        PostMessageW(window, WM_SETUP_FAILED_DOWNLOAD, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return Visible(window, IDC_FAILURE_TEXT); }));
        ExpectLaidOutAtEveryScale(window);
        Click(window, IDCANCEL);
    });
}

TEST_F(DialogAtHighDpi, ChecksFailedStateFitsAtEveryScale) {
    ChecksPassed = false;
    CheckMessage = ProductText(IDS_HARDWARE_TOO_WEAK) + L" " + AfxLoadString(IDS_OS_TOO_OLD);
    DrivenDialog dialog;
    RunDriven(dialog, [&](HWND window) {
        ExpectLaidOutAtEveryScale(window);
        Click(window, IDCANCEL);
    });
}
