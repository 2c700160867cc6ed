// The text a link control is given: the catalogue text with the blanks inside each <A ...> tag
// cut to one and none before its ">". Windows' link control reads either form; Wine's accepts
// exactly one blank between "<A" and an attribute and shows any other tag as plain text, as it
// would the help link's "<A  ID=...>". Text outside the tags, and quoted values, stay as given.
#pragma once

#include <cwctype>
#include <string>

inline std::wstring LinkControlMarkup(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    bool inTag = false;
    bool inQuotes = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (!inTag) {
            inTag = c == L'<' && i + 2 < text.size() && std::towlower(text[i + 1]) == L'a' &&
                    text[i + 2] == L' ';
        } else if (c == L'"') {
            inQuotes = !inQuotes;
        } else if (c == L'>' && !inQuotes) {
            inTag = false;
        } else if (c == L' ' && !inQuotes) {
            const size_t next = text.find_first_not_of(L' ', i);
            // The blanks that end an unclosed tag are no markup: they stay.
            if (next == std::wstring::npos) return out.append(text, i, std::wstring::npos);
            // One blank between attributes, none before the end of the tag.
            if (text[next] != L'>') out += L' ';
            i = next - 1;
            continue;
        }
        out += c;
    }
    return out;
}
