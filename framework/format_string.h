// Positional placeholders of the message catalogue: "%1" and "%2".
#pragma once

#include <string>
#include <string_view>

// Replaces every "%1" by arg1 and, when two arguments are given, every "%2" by arg2, in one pass:
// an argument that itself contains "%1" or "%2" is inserted as it stands.
std::wstring ReplacePlaceholders(std::wstring_view text, std::wstring_view arg1);
std::wstring ReplacePlaceholders(std::wstring_view text, std::wstring_view arg1,
                                 std::wstring_view arg2);
