// What the Windows Installer knows about installed products.
#pragma once

#include <string>

inline constexpr const wchar_t* kProductUpgradeCodeText = L"{443128EF-B891-47D2-A48C-1B67E8224974}";
inline constexpr const wchar_t* kVC8UpgradeCodeX86 = L"{6D030EC1-97CC-4663-A875-FB09BA36DEB5}";
inline constexpr const wchar_t* kVC8UpgradeCodeX64 = L"{B7BDDA33-8259-4324-A45D-2E04DE4C576A}";

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
