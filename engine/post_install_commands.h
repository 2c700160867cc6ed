// The command lines of the product's programs that the setup starts after installing it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The texture tool, told the install path and the window to send its progress to.
std::wstring TextureToolCommandLine(const std::wstring& installPath, int32_t dialogWindow);
// The graphics optimizer, started through the product's launcher.
std::wstring OptimizerCommandLine(const std::wstring& installPath);
// The install path cut where "intel_a" begins, with "QELEnv" glued on.
std::wstring EnvironmentFolder(const std::wstring& installPath);

// The registry's launch template with the launch identifier in place of its first "{0}".
std::wstring LaunchCommand(const std::wstring& commandTemplate, const std::wstring& launchId);

// "TLR_NOEXPAND" skips the textures when it holds something that fits its 32-character buffer.
bool TexturesSkipped(const std::optional<std::wstring>& noExpandValue);
// Why "Appli_LaunchId" cannot go into the product's command line, or null when it can: 1 to
// 255 characters of "A-Z a-z 0-9 . _ -", nothing that could end an argument or start another.
const wchar_t* LaunchIdRefusal(const std::wstring& launchId);
