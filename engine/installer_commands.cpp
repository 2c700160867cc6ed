#include "engine/installer_commands.h"

#include <cstdio>

#include "base/printf_fill.h"

namespace {

// A path with a blank would split into several arguments; the usual paths stay as they are.
std::wstring Argument(const std::wstring& path) {
    return path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
}

const wchar_t* ExitCodeMeaning(uint32_t code) {
    switch (code) {
        case 0: return L"success";
        case 1602: return L"cancelled by the user";
        case 1603: return L"fatal error during installation";
        case 1618: return L"another installation is already in progress";
        case 1641: return L"success, the installer has started a restart";
        case 3010: return L"success, a restart is required";
        case 0x00240005: return L"success, a restart is required";
        case 0x00240006: return L"the update is already installed";
        case 0x80240017: return L"the update does not apply to this system";
        default: return nullptr;
    }
}

}  // namespace

std::wstring InstallCommandLine(const InstallCommand& command) {
    const std::wstring package = Argument(command.packagePath);
    if (command.updatePackage) return FillConversions(L"wusa.exe /quiet /norestart %s", {package});
    const std::wstring log = Argument(InstallerLogPath(command.tempPath, command.fileName));
    if (command.withProperties) {
        return FillConversions(L"msiexec /norestart /i %s  %s /q /l* %s",
                               {package, command.properties, log});
    }
    return FillConversions(L"msiexec /norestart /i %s /q /l* %s", {package, log});
}

std::wstring InstallerLogPath(const std::wstring& tempPath, const std::wstring& fileName) {
    return tempPath + fileName + L".log";
}

std::wstring RemoveCommandLine(const std::wstring& packagePath) {
    return FillConversions(L"msiexec /x %s /q", {Argument(packagePath)});
}

std::wstring MsiPropertiesFor(uint16_t uiLanguage) {
    std::wstring properties = L"BOOTSTRAP=1";
    switch (uiLanguage & 0x3FF) {
        case 7: properties += L" TRANSFORMS=\":de-de.mst\""; break;
        case 10: properties += L" TRANSFORMS=\":es-es.mst\""; break;
        case 12: properties += L" TRANSFORMS=\":fr-fr.mst\""; break;
        case 16: properties += L" TRANSFORMS=\":it-it.mst\""; break;
        case 17: properties += L" TRANSFORMS=\":ja-jp.mst\""; break;
        default: break;
    }
    return properties;
}

InstallerVerdict JudgeInstallerExit(uint32_t exitCode, bool updatePackage) {
    switch (exitCode) {
        case 0: return InstallerVerdict::kDone;
        case 1641:
        case 3010: return InstallerVerdict::kDoneAfterRestart;
        case 1618: return InstallerVerdict::kBusy;
        default: break;
    }
    // The update installer's own results.
    if (updatePackage && exitCode == 0x00240006) return InstallerVerdict::kDone;
    if (updatePackage && exitCode == 0x00240005) return InstallerVerdict::kDoneAfterRestart;
    return InstallerVerdict::kFailed;
}

std::wstring InstallerExitLine(uint32_t exitCode) {
    wchar_t number[16];
    // Windows Update results read best in hexadecimal, installer results in decimal.
    std::swprintf(number, 16, exitCode > 0xFFFF ? L"0x%08X" : L"%u", exitCode);
    std::wstring line = std::wstring(L"Installer exit code = ") + number;
    if (const wchar_t* meaning = ExitCodeMeaning(exitCode)) line += std::wstring(L" (") + meaning + L")";
    return line;
}
