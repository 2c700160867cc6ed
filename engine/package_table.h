// Which packages a run downloads and installs, in which order, and where they go.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MachineFacts {
    bool needVC8Prereq = false;
    bool needMSXMLPrereq = false;
    bool isVersion60 = false;  // Vista or Server 2008: MSXML comes as a hot fix
    bool isWow64 = false;      // 64-bit Windows: the x64 packages
};

struct PackageStep {
    const wchar_t* fileName;
    const wchar_t* linkPath;
    unsigned downloadStatusId;  // catalogue texts for the status line
    unsigned installStatusId;
    bool updatePackage;  // installed by the Windows update installer, not msiexec
    bool product;        // installed with the product's properties; rolled back on a cancel
    bool fromMicrosoft = false;  // signed by Microsoft itself, not by the publisher
};

// The runtime prerequisites and MSXML when needed, then always the product.
std::vector<PackageStep> PackagesToInstall(const MachineFacts& facts);

// Every package file a run on this kind of Windows may have downloaded.
std::vector<std::wstring> DownloadedFileNames(bool isWow64);

// The run's private download folder: "<temp>KST<process id>\", and when a name is taken
// already, "<temp>KST<process id>-<attempt>\" for the attempts after the first.
std::wstring DownloadFolderFor(const std::wstring& tempPath, uint32_t processId, int attempt = 0);
inline constexpr int kDownloadFolderAttempts = 10;

// Whether every package path and installer log keeps to the MAX_PATH paths that the
// installers take, with this temporary folder.
bool TempPathFits(const std::wstring& tempPath, bool isWow64);
