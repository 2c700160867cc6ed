// The run's download folder: made new beside whatever holds its names, private, held.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/download_folder_win.h"
#include "tests/win/support/win_test_support.h"

namespace {

// An access list in words: who may do what, and whether it inherits.
std::string AccessInWords(PSECURITY_DESCRIPTOR descriptor) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !acl)
        return "<no access list>";
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    std::string words = (control & SE_DACL_PROTECTED) ? "protected" : "inherits";
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) continue;
        const PSID sid = &ace->SidStart;
        std::string who = "user";
        if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) who = "Administrators";
        if (IsWellKnownSid(sid, WinLocalSystemSid)) who = "SYSTEM";
        const char* what = (ace->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS ? "full control"
                           : (ace->Mask & (FILE_WRITE_DATA | FILE_ADD_FILE | DELETE)) ? "write"
                                                                                        : "read";
        words += "; " + who + ": " + (ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? what : "?");
    }
    return words;
}

}  // namespace

// Wine keeps no access list that a folder is given, so the folder's own is checked as it is made.
TEST(DownloadFolder, AdministratorsAndSystemOwnItTheUserReads) {
    PrivateSecurity security;
    ASSERT_TRUE(security.Build());
    EXPECT_EQ(AccessInWords(security.Descriptor()),
              "protected; Administrators: full control; SYSTEM: full control; user: read");
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(security.Descriptor(), &owner, &defaulted));
    EXPECT_TRUE(IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
}

TEST(DownloadFolder, NewAndPrivateBesideWhateverHoldsItsNames) {
    const std::wstring temp = MakeFreshFolder(L"download_folder");
    WriteWholeFile(temp + L"KST77", "a file holds the first name");
    CreateDirectoryW((temp + L"KST77-1").c_str(), nullptr);  // kept from an earlier run, or new
    ASSERT_NE(GetFileAttributesW((temp + L"KST77-1").c_str()), INVALID_FILE_ATTRIBUTES);

    uint32_t error = 0;
    const std::wstring folder = CreateDownloadFolder(temp, 77, error);
    ASSERT_EQ(folder, temp + L"KST77-2\\") << error;
    // Held: nobody can rename it and put a link in its place.
    EXPECT_FALSE(MoveFileW(folder.c_str(), (temp + L"moved").c_str()));

    RemoveDownloadFolder(folder);
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadWholeFile(temp + L"KST77"), "a file holds the first name");
    EXPECT_NE(GetFileAttributesW((temp + L"KST77-1").c_str()), INVALID_FILE_ATTRIBUTES);
}
