#include "checks/user_admin.h"

#include <vector>

#include "base/setup_log.h"

namespace {

HANDLE OpenCallerToken() {
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) return token;
    if (GetLastError() != ERROR_NO_TOKEN) return nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return token;
    return nullptr;
}

bool TokenHasAdministrators(HANDLE token) {
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenGroups, nullptr, 0, &size) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    if (size < sizeof(TOKEN_GROUPS)) return false;
    std::vector<BYTE> block(size, 0);
    if (!GetTokenInformation(token, TokenGroups, block.data(), size, &size)) return false;
    return GroupsContainAdministrators(*reinterpret_cast<const TOKEN_GROUPS*>(block.data()));
}

}  // namespace

bool GroupsContainAdministrators(const TOKEN_GROUPS& groups) {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
        return false;
    bool found = false;
    for (DWORD i = 0; i < groups.GroupCount && !found; ++i) {
        found = EqualSid(groups.Groups[i].Sid, administrators) != FALSE;
    }
    FreeSid(administrators);
    return found;
}

bool IsUserAdmin() {
    StepProtocol step = LoggedStep(L"IN-> IsUserAdmin()", L"OUT-> IsUserAdmin()");
    bool admin = false;
    if (HANDLE token = OpenCallerToken()) {
        admin = TokenHasAdministrators(token);
        CloseHandle(token);
    }
    return admin;
}
