// Version triples and the version file the download server publishes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "checks/upgrade_codes.h"

struct VersionTriple {
    int32_t major = 0;
    int32_t minor = 0;
    int32_t build = 0;
};

// "major.minor.build" read like "%d.%d.%d": parsing stops at the first mismatch, what is not read
// stays 0, anything after the third number is ignored. Out-of-range numbers are clamped.
VersionTriple ParseVersionTriple(std::wstring_view text);

// Major, then minor, then build, as signed numbers: negative, zero or positive.
int CompareVersions(const VersionTriple& a, const VersionTriple& b);

// The version file: "PNQ1", tab, the product UpgradeCode, tab, the version; line breaks are
// removed first and runs of tabs separate like one.
struct VersionFile {
    enum class Outcome { kTagNotFound, kWrongUpgradeCode, kNoVersion, kOk };
    Outcome outcome = Outcome::kTagNotFound;
    std::wstring text;         // the content without its line breaks
    std::wstring upgradeCode;  // the second field as read
    std::wstring version;      // the third field
};

VersionFile ParseVersionFile(std::wstring_view content);

// A body the check can read: 1 to 512 bytes.
inline constexpr int32_t kMaxVersionFileSize = 512;
bool IsVersionFileSize(int64_t length);
