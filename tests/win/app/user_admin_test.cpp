#include <gtest/gtest.h>

#include <vector>

#include "checks/user_admin.h"

namespace {

struct Sid {
    explicit Sid(DWORD alias) {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, alias, 0, 0, 0, 0, 0, 0,
                                 &sid);
    }
    ~Sid() { FreeSid(sid); }
    PSID sid = nullptr;
};

// A TOKEN_GROUPS block with the given SIDs and attributes.
std::vector<BYTE> Groups(const std::vector<std::pair<PSID, DWORD>>& members) {
    std::vector<BYTE> block(sizeof(TOKEN_GROUPS) + members.size() * sizeof(SID_AND_ATTRIBUTES));
    auto* groups = reinterpret_cast<TOKEN_GROUPS*>(block.data());
    groups->GroupCount = static_cast<DWORD>(members.size());
    for (size_t i = 0; i < members.size(); ++i) {
        groups->Groups[i].Sid = members[i].first;
        groups->Groups[i].Attributes = members[i].second;
    }
    return block;
}

TEST(UserAdmin, AdministratorsAnywhereInTheGroupsWhateverItsAttributes) {
    Sid users(DOMAIN_ALIAS_RID_USERS), admins(DOMAIN_ALIAS_RID_ADMINS);
    auto asGroups = [](const std::vector<BYTE>& b) -> const TOKEN_GROUPS& {
        return *reinterpret_cast<const TOKEN_GROUPS*>(b.data());
    };
    EXPECT_FALSE(GroupsContainAdministrators(asGroups(Groups({}))));
    EXPECT_FALSE(GroupsContainAdministrators(asGroups(Groups({{users.sid, SE_GROUP_ENABLED}}))));
    EXPECT_TRUE(GroupsContainAdministrators(
        asGroups(Groups({{users.sid, SE_GROUP_ENABLED}, {admins.sid, SE_GROUP_ENABLED}}))));
    // A deny-only membership still counts: the attributes are not examined.
    EXPECT_TRUE(
        GroupsContainAdministrators(asGroups(Groups({{admins.sid, SE_GROUP_USE_FOR_DENY_ONLY}}))));
}

// The groups of this process's real token, as GetTokenInformation gives them.
std::vector<BYTE> ProcessGroups() {
    HANDLE token = nullptr;
    std::vector<BYTE> block;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return block;
    DWORD size = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
    block.resize(size);
    if (!GetTokenInformation(token, TokenGroups, block.data(), size, &size)) block.clear();
    CloseHandle(token);
    return block;
}

// The thread runs under `token` (impersonation) until the object ends.
struct Impersonating {
    explicit Impersonating(HANDLE token) : active(SetThreadToken(nullptr, token) != FALSE) {}
    ~Impersonating() { RevertToSelf(); }
    const bool active;
};

}  // namespace

TEST(UserAdmin, TheWinePrefixUsersGroupsDecideThroughTheRule) {
    std::vector<BYTE> block = ProcessGroups();
    ASSERT_FALSE(block.empty());
    auto* groups = reinterpret_cast<TOKEN_GROUPS*>(block.data());
    Sid admins(DOMAIN_ALIAS_RID_ADMINS);
    DWORD at = groups->GroupCount;
    for (DWORD i = 0; i < groups->GroupCount; ++i)
        if (EqualSid(groups->Groups[i].Sid, admins.sid)) at = i;
    ASSERT_LT(at, groups->GroupCount) << "Wine gives its user the Administrators group";
    EXPECT_TRUE(GroupsContainAdministrators(*groups));
    // The same groups without that one entry must be refused.
    groups->Groups[at] = groups->Groups[groups->GroupCount - 1];
    --groups->GroupCount;
    EXPECT_FALSE(GroupsContainAdministrators(*groups));
}

// The thread's token is read before the process's: one made deny-only for the Administrators
// still counts, one the caller may not read is refused.
TEST(UserAdmin, ThreadTokenIsReadFirst) {
    HANDLE process = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process));
    Sid admins(DOMAIN_ALIAS_RID_ADMINS);
    SID_AND_ATTRIBUTES disable = {admins.sid, 0};
    HANDLE restricted = nullptr;
    ASSERT_TRUE(
        CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted));
    HANDLE denyOnly = nullptr;
    ASSERT_TRUE(DuplicateTokenEx(restricted, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                                 TokenImpersonation, &denyOnly));
    HANDLE unreadable = nullptr;
    ASSERT_TRUE(DuplicateTokenEx(process, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                                 TokenImpersonation, &unreadable));
    SECURITY_DESCRIPTOR nobody;
    ACL empty;
    InitializeSecurityDescriptor(&nobody, SECURITY_DESCRIPTOR_REVISION);
    InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
    SetSecurityDescriptorDacl(&nobody, TRUE, &empty, FALSE);
    ASSERT_TRUE(SetKernelObjectSecurity(unreadable, DACL_SECURITY_INFORMATION, &nobody));
    {
        Impersonating as(denyOnly);
        ASSERT_TRUE(as.active);
        EXPECT_TRUE(IsUserAdmin());
    }
    {
        Impersonating as(unreadable);
        ASSERT_TRUE(as.active);
        EXPECT_FALSE(IsUserAdmin());
    }
    // Back on the process token, which Wine gives the Administrators group.
    EXPECT_TRUE(IsUserAdmin());
    CloseHandle(unreadable);
    CloseHandle(denyOnly);
    CloseHandle(restricted);
    CloseHandle(process);
}
