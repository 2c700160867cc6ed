// The installation worker's sequence: each package downloaded, verified and installed in turn,
// then the product's own programs. A cancel while the product installs or its textures expand
// removes the product again. The downloads are deleted before the outcome is shown, because
// once it is, Close may end the process.
#pragma once

#include <string>
#include <vector>

#include "engine/package_table.h"
#include "engine/step_feedback.h"
#include "engine/system_services.h"

struct InstallPlan {
    std::vector<PackageStep> packages;  // the product last
    std::wstring downloadFolder;        // with its final backslash
    std::wstring tempPath;              // where the installers write their logs
    std::wstring productProperties;     // given to the product's installer only
    bool skipTextures = false;
};

// What the sequence leaves to the platform: the package files and the product's registration.
class WorkerPlatform {
  public:
    virtual ~WorkerPlatform() = default;
    // Downloads the package to `path`. A StepResult: done once the file is complete and held
    // unchanged until DeleteDownloads.
    virtual int32_t DownloadPrereqs(const std::wstring& statusText, const PackageStep& package,
                                    const std::wstring& path) = 0;
    virtual bool IsPackageSigned(const std::wstring& path) = 0;
    virtual bool IsInstalled() = 0;
    // Releases and deletes every package a run may have downloaded, and the download folder.
    virtual void DeleteDownloads() = 0;
};

SetupOutcome RunInstallation(const InstallPlan& plan, WorkerPlatform& platform,
                             StepFeedback& feedback, SystemServices& system);
