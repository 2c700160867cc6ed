// What the Windows Installer knows about installed products.
#pragma once

#include <string>

#include "checks/upgrade_codes.h"

struct RelatedProduct {
    bool found = false;        // a product is registered under the UpgradeCode
    bool versionRead = false;  // and its version could be read
    std::wstring version = L"0.0.0";
};

// The related product (the second one when two are registered) and its "VersionString".
RelatedProduct FindRelatedProduct(const wchar_t* upgradeCode);

// True when this 32-bit process runs on 64-bit Windows.
bool IsWow64();

// True when the Tellura product is registered.
bool IsInstalled();
