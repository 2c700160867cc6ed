// Environment variables, the setup's only configuration.
#pragma once

#include <optional>
#include <string>

// The variable's value, or nothing when it is not defined (a defined empty value is "").
std::optional<std::wstring> ReadEnvironment(const wchar_t* name);
