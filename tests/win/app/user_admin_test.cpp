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

}  // namespace

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

TEST(UserAdmin, TheWinePrefixUserIsAnAdministrator) {
    // Wine gives its user the Administrators group; the whole token path is exercised here.
    EXPECT_TRUE(IsUserAdmin());
}
