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
};

// The runtime prerequisites and MSXML when needed, then always the product.
std::vector<PackageStep> PackagesToInstall(const MachineFacts& facts);

// Every package file a run on this kind of Windows may have downloaded.
std::vector<std::wstring> DownloadedFileNames(bool isWow64);

// "<temp>KST<process id>\": the run's private download folder.
std::wstring DownloadFolderFor(const std::wstring& tempPath, uint32_t processId);
