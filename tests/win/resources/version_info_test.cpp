// The version resource of the built TelluraSetup.exe, read back through the version API as
// Explorer's properties read it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/win/support/resource_bytes.h"
#include "tests/win/support/win_test_support.h"
#include "resource_ids.h"

namespace {

// The setup's path comes from CTest, on Wine's drive Z, which is the Linux root.
std::vector<BYTE> SetupVersionBlock() {
    const wchar_t* path = _wgetenv(L"TELLURA_SETUP_EXE");
    if (!path) return {};
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path, &ignored));
    if (block.empty() ||
        !GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data())) {
        return {};
    }
    return block;
}

class VersionResource : public ::testing::Test {
  protected:
    void SetUp() override {
        _block = SetupVersionBlock();
        ASSERT_FALSE(_block.empty()) << "no version resource in TELLURA_SETUP_EXE";
    }

    std::pair<const void*, UINT> Query(const std::wstring& path) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(_block.data(), path.c_str(), &value, &length)) return {nullptr, 0};
        return {value, length};
    }

    // A value of the English (United States) Unicode block; its length, counted in characters,
    // ends with the terminator.
    std::wstring EnglishText(const wchar_t* name) {
        auto [value, length] = Query(std::wstring(L"\\StringFileInfo\\040904B0\\") + name);
        if (!value || length == 0) return L"<missing>";
        const wchar_t* text = static_cast<const wchar_t*>(value);
        if (text[length - 1] != L'\0') return L"<unterminated>";
        return std::wstring(text, length - 1);
    }

    std::vector<BYTE> _block;
};

}  // namespace

TEST_F(VersionResource, FixedPartIsTheProjectVersionOfAnApplication) {
    auto [value, length] = Query(L"\\");
    ASSERT_NE(value, nullptr);
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(PROJECT_VERSION_MINOR, PROJECT_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, PROJECT_VERSION_PATCH));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u) << "marked debug or pre-release";
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionResource, EnglishTextsNameTheProductItsMakerAndTheVersion) {
    EXPECT_EQ(EnglishText(L"ProductName"), L"Tellura");
    EXPECT_EQ(EnglishText(L"FileDescription"), L"Tellura Setup");
    EXPECT_EQ(EnglishText(L"OriginalFilename"), L"TelluraSetup.exe");
    EXPECT_EQ(EnglishText(L"InternalName"), L"TelluraSetup");
    EXPECT_EQ(EnglishText(L"FileVersion"), Wide(PROJECT_VERSION));
    EXPECT_EQ(EnglishText(L"ProductVersion"), Wide(PROJECT_VERSION));
    const std::wstring company = EnglishText(L"CompanyName");
    EXPECT_EQ(company, L"Korvath");
    const std::wstring copyright = EnglishText(L"LegalCopyright");
    EXPECT_EQ(copyright.rfind(L"Copyright (C) ", 0), 0u) << copyright.c_str();
    EXPECT_NE(copyright.find(company), std::wstring::npos) << copyright.c_str();
}

// The translation list names every language the setup speaks, no other, all in Unicode (1200);
// the string tables of this test program are the setup's own resource object.
TEST_F(VersionResource, TranslationsAreTheLanguagesOfTheStringTables) {
    auto [value, length] = Query(L"\\VarFileInfo\\Translation");
    ASSERT_NE(value, nullptr);
    ASSERT_EQ(length % 4, 0u);
    const WORD* pairs = static_cast<const WORD*>(value);
    std::vector<WORD> languages;
    for (UINT i = 0; i < length / 4; ++i) {
        languages.push_back(pairs[2 * i]);
        EXPECT_EQ(pairs[2 * i + 1], 1200) << "code page of language " << pairs[2 * i];
    }
    ASSERT_FALSE(languages.empty());
    EXPECT_EQ(languages.front(), 1033) << "English, the block the texts are in, comes first";

    std::vector<WORD> tables = ResourceLanguages(RT_STRING, MAKEINTRESOURCEW(IDS_CAPTION / 16 + 1));
    std::sort(languages.begin(), languages.end());
    std::sort(tables.begin(), tables.end());
    EXPECT_EQ(languages, tables);
    EXPECT_EQ(languages, (std::vector<WORD>{7, 10, 12, 16, 1033, 1041}));
}
