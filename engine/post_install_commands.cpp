#include "engine/post_install_commands.h"

#include <vector>

#include "base/printf_fill.h"
#include "base/setup_state.h"

namespace {

std::wstring ProgramPath(const std::wstring& installPath, const wchar_t* program) {
    return installPath + L"\\code\\bin\\" + program;
}

// The pieces between the placeholders; empty pieces (leading, doubled) are skipped.
std::vector<std::wstring> SplitAtPlaceholders(const std::wstring& text) {
    const std::wstring placeholder = L"{0}";
    std::vector<std::wstring> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(placeholder, start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) pieces.push_back(text.substr(start, end - start));
        start = end + placeholder.size();
    }
    return pieces;
}

}  // namespace

std::wstring TextureToolCommandLine(const std::wstring& installPath, int32_t dialogWindow) {
    return FillConversions(L"\"%s\" -p  \"%s\" -hWnd %d",
                           {ProgramPath(installPath, L"QELTexturesGeneration.exe"), installPath,
                            std::to_wstring(dialogWindow)});
}

std::wstring OptimizerCommandLine(const std::wstring& installPath) {
    return FillConversions(
        L"\"%s\" -run \"ZRMGraphicsOptimizerApplication\" -env %s -direnv \"%s\" -nowindow",
        {ProgramPath(installPath, L"QELSTART.exe"), kProductName, EnvironmentFolder(installPath)});
}

std::wstring EnvironmentFolder(const std::wstring& installPath) {
    return installPath.substr(0, installPath.find(L"intel_a")) + L"QELEnv";
}

std::wstring LaunchCommand(const std::wstring& commandTemplate, const std::wstring& launchId) {
    const std::vector<std::wstring> pieces = SplitAtPlaceholders(commandTemplate);
    const std::wstring first = pieces.empty() ? L"" : pieces[0];
    std::wstring command = first + L" " + launchId + L" ";
    if (!first.empty() && pieces.size() > 1) command += pieces[1];
    return command;
}

bool TexturesSkipped(const std::optional<std::wstring>& noExpandValue) {
    return noExpandValue && !noExpandValue->empty() && noExpandValue->size() < 32;
}

const wchar_t* LaunchIdRefusal(const std::wstring& launchId) {
    if (launchId.empty()) return L"Appli_LaunchId is empty: the product is not launched";
    if (launchId.size() > 255)
        return L"Appli_LaunchId is longer than 255 characters: the product is not launched";
    for (const wchar_t c : launchId) {
        const bool allowed = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') ||
                             (c >= L'0' && c <= L'9') || c == L'.' || c == L'_' || c == L'-';
        if (!allowed)
            return L"Appli_LaunchId holds a character other than A-Z a-z 0-9 . _ -: the product "
                   L"is not launched";
    }
    return nullptr;
}
