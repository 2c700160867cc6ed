// What the user sees of the real dialog: links that open their pages in the browser when clicked
// with the mouse, and a banner placeholder above the status line.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "resources/resource_ids.h"
#include "tests/win/support/setup_process.h"
#include "tests/tools/ui_driver/ui_driver.h"
#include "tests/win/support/win_test_support.h"

using namespace ui_driver;

namespace {

const std::wstring kServer = L"127.0.0.1:9";
const wchar_t kHttpOpen[] = L"Software\\Classes\\http\\shell\\open\\command";

// Makes the URL recorder the prefix's browser for as long as it lives, then puts the browser back.
class StandInBrowser {
  public:
    explicit StandInBrowser(const std::wstring& record) : _record(record) {
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kHttpOpen, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &_key, nullptr);
        wchar_t old[1024] = {};
        DWORD size = sizeof old - sizeof(wchar_t);
        if (_key && RegQueryValueExW(_key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old),
                                     &size) == ERROR_SUCCESS)
            _previous = old;
        Set(L"\"" + WinePath(L"" TELLURA_URL_RECORDER_EXE) + L"\" \"%1\" \"" + record + L"\"");
    }
    ~StandInBrowser() {
        if (!_previous.empty()) Set(_previous);
        if (_key) RegCloseKey(_key);
    }
    bool Registered() const { return _key != nullptr; }
    // What the browser was asked to open since the last call.
    std::string Recorded() const { return ReadWholeFile(_record); }
    void Forget() const { DeleteFileW(_record.c_str()); }

  private:
    void Set(const std::wstring& command) {
        if (!_key) return;
        RegSetValueExW(_key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }
    HKEY _key = nullptr;
    std::wstring _previous;
    std::wstring _record;
};

// The setup against a loopback server that is never asked: its warning is answered, the dialog
// is up.
struct Started {
    std::wstring folder;
    SetupProcess setup;
    HWND dialog = nullptr;

    explicit Started(const std::wstring& name)
        : folder(MakeFreshFolder(name)),
          setup(folder,
                {{L"Tellura_Server", kServer}}) {
        // Any caption: it is in the user-interface language.
        const Result<HWND> warning = WaitForMessageBox(nullptr, 60000);
        EXPECT_TRUE(warning) << warning.error;
        if (warning) {
            EXPECT_TRUE(PressButton(*warning.value, IDOK));
        }
        const Result<HWND> shown = WaitForDialog(60000);
        EXPECT_TRUE(shown) << shown.error;
        dialog = shown ? *shown.value : nullptr;
    }
    ~Started() {
        if (dialog && PressButton(dialog, IDCANCEL)) setup.WaitForExit(20000);
    }
};

RECT ControlRect(HWND dialog, int id) {
    RECT rect{};
    if (const Result<HWND> control = FindControl(dialog, id)) GetWindowRect(*control.value, &rect);
    return rect;
}

void ClickLinkAndExpect(const StandInBrowser& browser, Started& run, int id,
                        const std::string& url) {
    ASSERT_NE(run.dialog, nullptr);
    browser.Forget();
    const Result<POINT> link = FindLinkPoint(run.dialog, id);
    ASSERT_TRUE(link) << link.error;
    // The plain text at the start of the link's line first: it opens nothing.
    ASSERT_TRUE(ClickAt({ControlRect(run.dialog, id).left + 3, link.value->y}));
    ASSERT_TRUE(ClickAt(*link.value));
    EXPECT_TRUE(
        WaitUntil([&] { return browser.Recorded() != "<missing>"; }, std::chrono::milliseconds(15000)));
    EXPECT_EQ(browser.Recorded(), url + "\n");
}

}  // namespace

TEST(DialogView, LinksOpenTheirPagesWhenClicked) {
    StandInBrowser browser(MakeFreshFolder(L"e2e_browser") + L"urls.txt");
    ASSERT_TRUE(browser.Registered());
    {
        Started licence(L"e2e_licence_link");
        ClickLinkAndExpect(browser, licence, IDC_EULA_LINK, "http://127.0.0.1:9/fwlink/?LinkId=136710");
    }
    // The OS check refuses Server 2008: the dialog then shows the reason with the help link.
    ASSERT_TRUE(SetWineVersion(L"win2008"));
    Started refused(L"e2e_help_link");
    EXPECT_TRUE(SetWineVersion(L""));
    ClickLinkAndExpect(browser, refused, IDC_CHECK_FAILED_LINK, "http://127.0.0.1:9/fwlink/?LinkId=103527");
}

// Run in each user-interface language that CTest gives it: the dialog font, and so the size of
// the placeholder in pixels, depends on the language. The banner fills the placeholder.
TEST(DialogView, BannerPlaceholderLiesAboveTheStatusLine) {
    Started run(L"e2e_banner");
    ASSERT_NE(run.dialog, nullptr);
    const RECT placeholder = ControlRect(run.dialog, IDC_BANNER_PLACEHOLDER);
    const RECT status = ControlRect(run.dialog, IDC_STATUS_LINE);
    EXPECT_GT(placeholder.bottom - placeholder.top, 0);
    EXPECT_GE(status.top, placeholder.bottom) << "the status line overlaps the banner";
    std::printf("placeholder %ld x %ld\n", placeholder.right - placeholder.left,
                placeholder.bottom - placeholder.top);
}
