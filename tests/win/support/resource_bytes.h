// Reads resources of the test executable itself, which links the setup's resource objects.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The raw bytes of a resource in one language, or nothing when it is absent.
std::optional<std::vector<BYTE>> ResourceBytes(LPCWSTR type, LPCWSTR name, WORD language);

// The resource in whatever language the system's lookup picks.
std::optional<std::vector<BYTE>> ResourceBytes(LPCWSTR type, LPCWSTR name);

// Entry id % 16 of the string block that holds id, in exactly this language; nothing when the
// block is missing or malformed. An empty entry gives an empty string.
std::optional<std::wstring> StringEntry(WORD language, UINT id);

// Every (id, text) held by one string block, empty entries left out.
std::vector<std::pair<UINT, std::wstring>> StringBlockEntries(const std::vector<BYTE>& block,
                                                              UINT blockNumber);

// The languages a resource exists in.
std::vector<WORD> ResourceLanguages(LPCWSTR type, LPCWSTR name);

// The names of every resource of one type (integer ids only; named resources come back as 0).
std::vector<UINT> ResourceIds(LPCWSTR type);
