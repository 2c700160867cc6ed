// Catalogue texts with their printf-style conversions filled.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "base/printf_fill.h"
#include "framework/afx_strings.h"

inline std::wstring CatalogText(UINT id, std::initializer_list<std::wstring_view> args) {
    return FillConversions(AfxLoadString(id), args);
}
