// The command lines of the package installers and what their exit codes mean.
#pragma once

#include <cstdint>
#include <string>

struct InstallCommand {
    std::wstring packagePath;  // the downloaded package
    std::wstring tempPath;     // the folder of the installer's log, with its final backslash
    std::wstring fileName;     // the package's file name, which names the log
    bool updatePackage = false;
    bool withProperties = false;
    std::wstring properties;
};

// wusa for an update package, msiexec with or without properties otherwise; the installer's
// log goes to <temp><file name>.log.
std::wstring InstallCommandLine(const InstallCommand& command);
// "<temp><file name>.log": where msiexec logs a package's installation.
std::wstring InstallerLogPath(const std::wstring& tempPath, const std::wstring& fileName);
std::wstring RemoveCommandLine(const std::wstring& packagePath);

// "BOOTSTRAP=1" and the transform of the user-interface language, when the package has one.
std::wstring MsiPropertiesFor(uint16_t uiLanguage);

// What an installer's exit code means for its step: a restart may be needed to finish, and
// another installation holding the Windows Installer passes if one waits.
enum class InstallerVerdict { kDone, kDoneAfterRestart, kBusy, kFailed };
InstallerVerdict JudgeInstallerExit(uint32_t exitCode, bool updatePackage);

// "Installer exit code = ..." with a word on the codes support people meet most.
std::wstring InstallerExitLine(uint32_t exitCode);
