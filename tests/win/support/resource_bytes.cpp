#include "tests/win/support/resource_bytes.h"

namespace {

std::optional<std::vector<BYTE>> Copy(HRSRC found) {
    HMODULE module = GetModuleHandleW(nullptr);
    if (!found) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data) return std::nullopt;
    return std::vector<BYTE>(data, data + SizeofResource(module, found));
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR out) {
    reinterpret_cast<std::vector<WORD>*>(out)->push_back(language);
    return TRUE;
}

BOOL CALLBACK AddId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) {
    reinterpret_cast<std::vector<UINT>*>(out)->push_back(
        IS_INTRESOURCE(name) ? static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)) : 0);
    return TRUE;
}

}  // namespace

std::optional<std::vector<BYTE>> ResourceBytes(LPCWSTR type, LPCWSTR name, WORD language) {
    return Copy(FindResourceExW(GetModuleHandleW(nullptr), type, name, language));
}

std::optional<std::vector<BYTE>> ResourceBytes(LPCWSTR type, LPCWSTR name) {
    return Copy(FindResourceW(GetModuleHandleW(nullptr), name, type));
}

std::vector<std::pair<UINT, std::wstring>> StringBlockEntries(const std::vector<BYTE>& block,
                                                              UINT blockNumber) {
    // Sixteen length-prefixed UTF-16 strings; a length that runs past the block ends the walk.
    std::vector<std::pair<UINT, std::wstring>> entries;
    size_t offset = 0;
    for (UINT index = 0; index < 16; ++index) {
        if (offset + sizeof(WORD) > block.size()) break;
        WORD length = static_cast<WORD>(block[offset] | (block[offset + 1] << 8));
        offset += sizeof(WORD);
        if (offset + length * sizeof(WCHAR) > block.size()) break;
        std::wstring text(length, L'\0');
        for (WORD i = 0; i < length; ++i) {
            text[i] =
                static_cast<wchar_t>(block[offset + 2 * i] | (block[offset + 2 * i + 1] << 8));
        }
        offset += length * sizeof(WCHAR);
        if (length) entries.emplace_back((blockNumber - 1) * 16 + index, text);
    }
    return entries;
}

std::optional<std::wstring> StringEntry(WORD language, UINT id) {
    UINT blockNumber = id / 16 + 1;
    auto block = ResourceBytes(RT_STRING, MAKEINTRESOURCEW(blockNumber), language);
    if (!block) return std::nullopt;
    for (const auto& [entryId, text] : StringBlockEntries(*block, blockNumber)) {
        if (entryId == id) return text;
    }
    return std::wstring();
}

std::vector<WORD> ResourceLanguages(LPCWSTR type, LPCWSTR name) {
    std::vector<WORD> languages;
    EnumResourceLanguagesW(GetModuleHandleW(nullptr), type, name, AddLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

std::vector<UINT> ResourceIds(LPCWSTR type) {
    std::vector<UINT> ids;
    EnumResourceNamesW(GetModuleHandleW(nullptr), type, AddId, reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}
