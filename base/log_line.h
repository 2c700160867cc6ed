// One line of the setup log, composed without touching the file system.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

// "%x - %X" in the C locale, e.g. "06/26/09 - 09:50:00"; empty when formatting fails.
std::string FormatLogStamp(const std::tm& localTime);

// Fills the catalogue's line template ("%s: %s\n", or that when the template is missing) with
// the stamp and the text and turns it into the bytes of a text-mode file: each "\n" becomes
// CR LF, units below 256 become the byte of the same value, the others "\u" and four lower-case
// hex digits (each half of a surrogate pair on its own). So that every path reads back, a
// backslash that would start such an escape is itself written "\u005c".
std::string ComposeLogLine(std::string_view stamp, std::wstring_view text,
                           std::wstring_view lineTemplate);
