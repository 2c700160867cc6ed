// A parsed extended dialog template (DLGTEMPLATEEX and its items).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// A name-or-ordinal field: the ordinal when the template stores one, else the name.
struct NameOrOrdinal {
    WORD ordinal = 0;
    std::wstring name;
};

struct DialogItem {
    DWORD exStyle = 0;
    DWORD style = 0;
    RECT rect{};  // left, top, width, height in dialog units
    LONG id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text;
};

struct DialogTemplate {
    DWORD exStyle = 0;
    DWORD style = 0;
    RECT rect{};
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring title;
    WORD pointSize = 0;
    WORD weight = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

// Nothing when the bytes are not a complete extended template.
std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<BYTE>& bytes);
