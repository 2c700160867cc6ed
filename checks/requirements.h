// The start-up requirement checks: their outcome is ChecksPassed and CheckMessage.
#pragma once

#include <cstdint>
#include <string>

// Runs the checks in their fixed order, stopping at the first that fails.
bool CheckRequirements();

// Each check leaves the user-facing reason in message when it refuses.
bool IsOSAuthorized(std::wstring& message);
bool IsVideoCardOK(std::wstring& message);
bool IsEnoughDiskSpace(std::wstring& message);

// An acceptable Authenticode signature on the file; skipped when "NO_CHECK_PACKAGE_SIGNED" is set.
bool IsPackageSigned(const wchar_t* path);
// The signature code of the file and WinVerifyTrust's own answer.
int VerifyEmbeddedSignature(const wchar_t* path, int32_t* status);
