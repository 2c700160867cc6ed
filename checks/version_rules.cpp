#include "checks/version_rules.h"

#include <algorithm>
#include <cwctype>
#include <limits>
#include <vector>

namespace {

// One "%d": blanks skipped, an optional sign, at least one digit.
bool ReadNumber(std::wstring_view text, size_t& pos, int32_t& value) {
    size_t at = pos;
    while (at < text.size() && std::iswspace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
    if (at >= text.size() || text[at] < L'0' || text[at] > L'9') return false;
    int64_t number = 0;
    const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        number = std::min(limit, number * 10 + (text[at] - L'0'));
    }
    if (negative) number = -number;
    value = static_cast<int32_t>(std::max<int64_t>(std::numeric_limits<int32_t>::min(),
                                                   std::min<int64_t>(limit - 1, number)));
    pos = at;
    return true;
}

std::vector<std::wstring_view> TabFields(std::wstring_view text) {
    std::vector<std::wstring_view> fields;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == L'\t') ++pos;
        if (pos >= text.size()) break;
        const size_t end = std::min(text.find(L'\t', pos), text.size());
        fields.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

}  // namespace

VersionTriple ParseVersionTriple(std::wstring_view text) {
    VersionTriple version;
    int32_t* parts[] = {&version.major, &version.minor, &version.build};
    size_t pos = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != L'.') break;
            ++pos;
        }
        if (!ReadNumber(text, pos, *parts[i])) break;
    }
    return version;
}

int CompareVersions(const VersionTriple& a, const VersionTriple& b) {
    if (a.major != b.major) return a.major < b.major ? -1 : 1;
    if (a.minor != b.minor) return a.minor < b.minor ? -1 : 1;
    if (a.build != b.build) return a.build < b.build ? -1 : 1;
    return 0;
}

VersionFile ParseVersionFile(std::wstring_view content) {
    VersionFile file;
    for (wchar_t c : content) {
        if (c != L'\r' && c != L'\n') file.text += c;
    }
    if (file.text.compare(0, 4, L"PNQ1") != 0) return file;
    const std::vector<std::wstring_view> fields = TabFields(file.text);
    file.upgradeCode = fields.size() > 1 ? std::wstring(fields[1]) : std::wstring();
    if (file.upgradeCode != kProductUpgradeCode) {
        file.outcome = VersionFile::Outcome::kWrongUpgradeCode;
        return file;
    }
    if (fields.size() < 3) {
        file.outcome = VersionFile::Outcome::kNoVersion;
        return file;
    }
    file.version = fields[2];
    file.outcome = VersionFile::Outcome::kOk;
    return file;
}

bool IsVersionFileSize(int64_t length) { return length >= 1 && length <= kMaxVersionFileSize; }
