// The installation worker's sequence: each package downloaded, verified and installed in turn,
// then the product's own programs. A cancel while the product installs or its textures expand
// removes the product again. The downloads are deleted before the outcome is shown, because
// once it is, Close may end the process.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/package_table.h"
#include "engine/step_feedback.h"
#include "engine/system_services.h"

struct InstallPlan {
    std::vector<PackageStep> packages;  // the product last
    std::wstring tempPath;              // where the installers write their logs
    std::wstring productProperties;     // given to the product's installer only
    bool skipTextures = false;
    // The version the server announced when the product is an upgrade; empty otherwise.
    std::wstring upgradeVersion;
};

// What the sequence leaves to the platform: the package files and the product's registration.
class WorkerPlatform {
  public:
    virtual ~WorkerPlatform() = default;
    // The run's private download folder, made new, with its final backslash; nothing when it
    // cannot be made (the reason is logged).
    virtual std::optional<std::wstring> CreateDownloadFolder() = 0;
    // Downloads the package to `path`. A StepResult: done once the file is complete and held
    // unchanged until DeleteDownloads.
    virtual int32_t DownloadPrereqs(const std::wstring& statusText, const PackageStep& package,
                                    const std::wstring& path) = 0;
    virtual bool IsPackageSigned(const PackageStep& package, const std::wstring& path) = 0;
    // Frees the name of an installer's log in the user's temporary folder and keeps it until
    // DeleteDownloads, so that the elevated installer writes a new file, never through a link.
    virtual void ClaimInstallerLog(const std::wstring& path) = 0;
    virtual bool IsInstalled() = 0;
    // The version registered for the product; asked after an upgrade only.
    virtual std::wstring InstalledVersion() = 0;
    // Releases and deletes every package a run may have downloaded, and the download folder.
    virtual void DeleteDownloads() = 0;
};

SetupOutcome RunInstallation(const InstallPlan& plan, WorkerPlatform& platform,
                             StepFeedback& feedback, SystemServices& system);
