// The message catalogue: exact English texts, and five translations that keep every placeholder,
// line break and link the code relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "tests/win/support/resource_bytes.h"
#include "resource_ids.h"

namespace {

struct Text {
    UINT id;
    const wchar_t* english;
};

const Text kEnglish[] = {
    {IDS_NOT_ADMIN, L"You must have administrator privileges to install %1."},
    {IDS_VIDEO_MEMORY, L"Video Memory = %d  MB"},
    {IDS_VIDEO_CARD_NAME, L"Video Card Name = %s"},
    {IDS_LOG_BEGIN, L"Begin bootstrap setup for %1 installation"},
    {IDS_LOG_END, L"End bootstrap setup for %1 installation"},
    {IDS_LOG_LINE_TEMPLATE, L"%s: %s\n"},
    {IDS_DISK_SPACE_REQUIRED, L"%s installation requires at least %d MB."},
    {IDS_XP64_SERVICE_PACK,
     L"Service Pack 2 or higher is required to install on Microsoft Windows XP 64-bit editions."},
    {IDS_CLOSE, L"Close"},
    {IDS_SERVER2003_SERVICE_PACK,
     L"Service Pack 1 or higher is required to install on Microsoft Windows Server 2003."},
    {IDS_XP_SERVICE_PACK,
     L"Service Pack 2 or higher is required to install on Microsoft Windows XP."},
    {IDS_OS_TOO_OLD, L"Setup requires Windows XP, Service Pack 2 or higher."},
    {IDS_DOWNLOADING_VC8, L"Downloading VC8 prerequisites..."},
    {IDS_INSTALLING_VC8, L"Installing VC8 prerequisites..."},
    {IDS_DOWNLOADING_MSXML, L"Downloading MSXML 6.0..."},
    {IDS_INSTALLING_MSXML, L"Installing MSXML 6.0..."},
    {IDS_DOWNLOADING_PRODUCT, L"Downloading %1 installer..."},
    {IDS_INSTALLING_PRODUCT, L"Installing %1..."},
    {IDS_FUNCTION_FAILED, L"Function %s failed - errno = %d"},
    {IDS_BYTES, L"%I64d bytes"},
    {IDS_OS_FORBIDDEN, L"%1 installation is forbidden on %2\n."},
    {IDS_INSTALL_FAILED, L"%1 installation failed. Consult the log file %2."},
    {IDS_INSTALL_SUCCEEDED, L"Setup has successfully installed %1."},
    {IDS_EXPANDING_TEXTURES, L"Expanding textures and launching Graphic Optimizer..."},
    {IDS_LATEST_VERSION_INSTALLED,
     L"The latest version of %s is already installed.\nThere is no need to install it again."},
    {IDS_EXPANDING_TEXTURES_WAIT,
     L"Expanding textures and launching Graphic Optimizer. This may take a minute..."},
    {IDS_DOWNLOAD_FAILED,
     L"%1 setup has failed. Please check your internet connection (firewall and proxy) and try "
     L"again. For more information, consult the log file %2."},
    {IDS_CAPTION, L"%1 Setup"},
    {IDS_CANCEL_IN_PROGRESS, L"Cancel in progress..."},
    {IDS_INTERRUPTED,
     L"%1 setup has been interrupted by the user. For more information, consult the log file %2."},
    {IDS_REMOVING_PRODUCT, L"Setup was canceled. Removing %1..."},
    {IDS_LAUNCHING_OPTIMIZER, L"Launching Graphic Optimizer..."},
    {IDS_ACCEPT_LICENCE,
     L"You must accept the following License Agreement before the %1 application can be "
     L"installed."},
    {IDS_READ_EULA, L" Read the <A ID=\"idTLRShape\">%1  Eula</A> before accepting it"},
    {IDS_ACCEPT_BOX, L"I accept the terms of the %1  License Agreement"},
    {IDS_HARDWARE_TOO_WEAK,
     L"Your hardware configuration does not meet the minimum requirements for %1."},
    {IDS_DISK_SIZE_ERROR, L"An error occurred when determining the available disk size."},
    {IDS_CHECK_FAILED,
     L"%1\n\n For more information, click  <A  ID=\"idHELP\">here.</A> \n\nClick 'Cancel' to exit "
     L"the Setup."},
    {IDS_ANOTHER_SETUP, L"Another %1 installation is in progress."},
    {IDS_INSTALL, L"Install"},
    {IDS_CANCEL, L"Cancel"},
    {IDS_INSTALLER_BUSY, L"Another installation is in progress. Setup will try again shortly..."},
    {IDS_CONFIRM_CANCEL, L"Are you sure you want to cancel %1 installation?"},
};

const WORD kEnglishUS = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const WORD kLanguages[] = {7, 10, 12, 16, kEnglishUS, kJapanese};

// Positional (%1, %2) and printf-style (%s, %d, %I64d) placeholders; any other '%' sequence is
// kept too, so that a stray one shows up as a difference.
std::multiset<std::wstring> Placeholders(const std::wstring& text) {
    std::multiset<std::wstring> found;
    for (size_t at = text.find(L'%'); at != std::wstring::npos; at = text.find(L'%', at)) {
        size_t length = text.compare(at, 5, L"%I64d") == 0 ? 5 : 2;
        found.insert(text.substr(at, length));
        at += length;
    }
    return found;
}

size_t LineBreaks(const std::wstring& text) { return std::count(text.begin(), text.end(), L'\n'); }

std::wstring Describe(WORD language, UINT id) {
    return L"language " + std::to_wstring(language) + L", string " + std::to_wstring(id);
}

}  // namespace

TEST(StringTable, EnglishTextsAreExactlyTheCatalogue) {
    for (const Text& text : kEnglish) {
        auto loaded = StringEntry(kEnglishUS, text.id);
        ASSERT_TRUE(loaded) << "no English block for string " << text.id;
        EXPECT_EQ(*loaded, text.english) << "string " << text.id;
    }
}

TEST(StringTable, EveryLanguageTranslatesEveryIdWithTheSamePlaceholdersAndLineBreaks) {
    for (WORD language : kLanguages) {
        for (const Text& text : kEnglish) {
            auto loaded = StringEntry(language, text.id);
            ASSERT_TRUE(loaded) << "missing block: " << Describe(language, text.id);
            EXPECT_FALSE(loaded->empty()) << Describe(language, text.id);
            EXPECT_EQ(Placeholders(*loaded), Placeholders(text.english))
                << Describe(language, text.id);
            EXPECT_EQ(LineBreaks(*loaded), LineBreaks(text.english)) << Describe(language, text.id);
        }
    }
}

TEST(StringTable, LinkMarkupIsTheSameInEveryLanguage) {
    // The dialog compares these link ids when a link is clicked.
    for (WORD language : kLanguages) {
        std::wstring eula = StringEntry(language, IDS_READ_EULA).value_or(L"");
        EXPECT_NE(eula.find(L"<A ID=\"idTLRShape\">"), std::wstring::npos) << language;
        EXPECT_NE(eula.find(L"</A>"), std::wstring::npos) << language;
        std::wstring help = StringEntry(language, IDS_CHECK_FAILED).value_or(L"");
        EXPECT_NE(help.find(L"<A  ID=\"idHELP\">"), std::wstring::npos) << language;
        EXPECT_NE(help.find(L"</A>"), std::wstring::npos) << language;
    }
}

TEST(StringTable, HoldsOnlyTheCatalogueIdsInTheSixLanguages) {
    std::set<UINT> known;
    for (const Text& text : kEnglish) known.insert(text.id);
    std::set<WORD> expectedLanguages(std::begin(kLanguages), std::end(kLanguages));

    std::map<WORD, std::set<UINT>> idsByLanguage;
    for (UINT block : ResourceIds(RT_STRING)) {
        ASSERT_NE(block, 0u) << "named string block";
        for (WORD language : ResourceLanguages(RT_STRING, MAKEINTRESOURCEW(block))) {
            EXPECT_TRUE(expectedLanguages.count(language)) << "unexpected language " << language;
            auto bytes = ResourceBytes(RT_STRING, MAKEINTRESOURCEW(block), language);
            ASSERT_TRUE(bytes);
            for (const auto& entry : StringBlockEntries(*bytes, block)) {
                EXPECT_TRUE(known.count(entry.first))
                    << "unexpected string " << entry.first << " in language " << language;
                idsByLanguage[language].insert(entry.first);
            }
        }
    }
    for (WORD language : kLanguages) EXPECT_EQ(idsByLanguage[language], known) << language;
}

TEST(StringTable, NonAsciiTextsAreStoredAsUnicode) {
    // The sources are UTF-8; a wrong code page would turn these into other characters.
    EXPECT_EQ(StringEntry(kJapanese, IDS_INSTALL),
              std::wstring(L"\u30A4\u30F3\u30B9\u30C8\u30FC\u30EB"));
    EXPECT_EQ(StringEntry(kJapanese, IDS_CAPTION),
              std::wstring(L"%1 \u30BB\u30C3\u30C8\u30A2\u30C3\u30D7"));
    EXPECT_EQ(StringEntry(7, IDS_CLOSE), std::wstring(L"Schlie\u00DFen"));
    EXPECT_EQ(StringEntry(12, IDS_FUNCTION_FAILED),
              std::wstring(L"\u00C9chec de la fonction %s - errno = %d"));
}

// Run once per user-interface language (see CMakeLists.txt): the program never names a language,
// so the system's lookup must find the matching table, or English for a language without one.
TEST(StringLookup, PicksTheTableOfTheUserInterfaceLanguage) {
    WORD primary = PRIMARYLANGID(GetUserDefaultUILanguage());
    WORD expected = kEnglishUS;
    for (WORD language : kLanguages) {
        if (PRIMARYLANGID(language) == primary) expected = language;
    }
    for (UINT id : {IDS_CAPTION, IDS_INSTALL, IDS_CHECK_FAILED}) {
        const wchar_t* text = nullptr;
        int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
        ASSERT_GT(length, 0) << id;
        EXPECT_EQ(std::wstring(text, length), StringEntry(expected, id))
            << "user interface language " << GetUserDefaultUILanguage() << ", string " << id;
    }
}
