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

// Reads the setup's own signer, the publisher that every package must come from, and logs it.
// An unsigned setup has none.
void PinPublisher();

// A package signature the publisher's pin accepts (see IsTrustedPackage); read through `file`
// when it is given. "NO_CHECK_PACKAGE_SIGNED" skips the check only in an unsigned setup.
bool IsPackageSigned(const wchar_t* path, void* file, bool microsoftPackage);
bool IsPackageSigned(const wchar_t* path);
// The signature code of the file and WinVerifyTrust's own answer.
int VerifyEmbeddedSignature(const wchar_t* path, int32_t* status);
