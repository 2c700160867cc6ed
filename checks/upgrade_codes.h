// The Windows Installer UpgradeCodes the setup looks for: the product's (also the one the
// server's version file must name) and the VC8 runtime's of each architecture.
#pragma once

inline constexpr const wchar_t* kProductUpgradeCode = L"{443128EF-B891-47D2-A48C-1B67E8224974}";
inline constexpr const wchar_t* kVC8UpgradeCodeX86 = L"{6D030EC1-97CC-4663-A875-FB09BA36DEB5}";
inline constexpr const wchar_t* kVC8UpgradeCodeX64 = L"{B7BDDA33-8259-4324-A45D-2E04DE4C576A}";
