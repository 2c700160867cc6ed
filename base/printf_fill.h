// Fills the printf-style conversions of a catalogue text ("%s", "%d", "%I64d") with arguments
// the caller has already turned into text. A translation whose conversions do not match the
// arguments then shows a wrong word instead of reading a wrong argument.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Each conversion takes the next argument (none left: it is dropped); "%%" gives "%".
std::wstring FillConversions(std::wstring_view text, std::initializer_list<std::wstring_view> args);
