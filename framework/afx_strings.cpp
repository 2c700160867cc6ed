#include "framework/afx_strings.h"

#include "framework/afx_app.h"
#include "framework/format_string.h"

std::wstring AfxLoadString(UINT id) {
    // Strings live in blocks of sixteen: block id/16+1 holds entry id%16, each a count of UTF-16
    // units followed by that many units.
    const HINSTANCE instance = AfxGetInstanceHandle();
    const HRSRC block = FindResourceW(instance, MAKEINTRESOURCEW(id / 16 + 1), RT_STRING);
    if (!block) return {};
    const HGLOBAL loaded = LoadResource(instance, block);
    const auto* units = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (!units) return {};
    const WCHAR* end = units + SizeofResource(instance, block) / sizeof(WCHAR);
    for (UINT entry = 0; entry < id % 16; ++entry) {
        if (units >= end) return {};
        units += 1 + *units;
    }
    if (units >= end || units + 1 + *units > end) return {};
    return std::wstring(units + 1, *units);
}

void AfxFormatString1(std::wstring& result, UINT id, const wchar_t* arg1) {
    result = ReplacePlaceholders(AfxLoadString(id), arg1 ? arg1 : L"");
}

void AfxFormatString2(std::wstring& result, UINT id, const wchar_t* arg1, const wchar_t* arg2) {
    result = ReplacePlaceholders(AfxLoadString(id), arg1 ? arg1 : L"", arg2 ? arg2 : L"");
}
