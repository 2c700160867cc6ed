// Whether the user runs the setup with administrator rights.
#pragma once

#include <windows.h>

// True when the caller's token lists the Administrators group (its attributes are not looked at).
bool IsUserAdmin();

// The rule over a token's groups: true when one of them is the Administrators SID.
bool GroupsContainAdministrators(const TOKEN_GROUPS& groups);
