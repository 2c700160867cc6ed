#include "engine/package_table.h"

#include <algorithm>

#include "base/link_locations.h"
#include "resources/resource_ids.h"

namespace {

constexpr const wchar_t* kProductFile = L"Ventrola.msi";

PackageStep RuntimePrerequisites(bool isWow64) {
    return {isWow64 ? L"InstallKVSoftwarePrerequisites_x86_x64.msi"
                    : L"InstallKVSoftwarePrerequisites_x86.msi",
            isWow64 ? kLinkPrereqsX64 : kLinkPrereqsX86,
            IDS_DOWNLOADING_VC8,
            IDS_INSTALLING_VC8,
            false,
            false};
}

PackageStep Msxml(bool isWow64) {
    return {isWow64 ? L"msxml6_x64.msi" : L"msxml6_x86.msi",
            isWow64 ? kLinkMsxmlX64 : kLinkMsxmlX86,
            IDS_DOWNLOADING_MSXML,
            IDS_INSTALLING_MSXML,
            false,
            false,
            true};
}

PackageStep MsxmlHotfix(bool isWow64) {
    return {isWow64 ? L"Windows6.0-KB941179-x64.msu" : L"Windows6.0-KB941179-x86.msu",
            isWow64 ? kLinkMsxmlHotfixX64 : kLinkMsxmlHotfixX86,
            IDS_DOWNLOADING_MSXML,
            IDS_INSTALLING_MSXML,
            true,
            false,
            true};
}

PackageStep Product() {
    return {kProductFile, kLinkProduct, IDS_DOWNLOADING_PRODUCT, IDS_INSTALLING_PRODUCT, false,
            true};
}

}  // namespace

std::vector<PackageStep> PackagesToInstall(const MachineFacts& facts) {
    std::vector<PackageStep> steps;
    if (facts.needVC8Prereq) steps.push_back(RuntimePrerequisites(facts.isWow64));
    if (facts.needMSXMLPrereq)
        steps.push_back(facts.isVersion60 ? MsxmlHotfix(facts.isWow64) : Msxml(facts.isWow64));
    steps.push_back(Product());
    return steps;
}

std::vector<std::wstring> DownloadedFileNames(bool isWow64) {
    return {RuntimePrerequisites(isWow64).fileName, Msxml(isWow64).fileName,
            MsxmlHotfix(isWow64).fileName, kProductFile};
}

std::wstring DownloadFolderFor(const std::wstring& tempPath, uint32_t processId, int attempt) {
    std::wstring name = L"KST" + std::to_wstring(processId);
    if (attempt > 0) name += L"-" + std::to_wstring(attempt);
    return tempPath + name + L"\\";
}

bool TempPathFits(const std::wstring& tempPath, bool isWow64) {
    constexpr size_t kMaxPath = 259;  // MAX_PATH less its terminating zero
    // A package's path in the download folder is longer than its log's beside the folder.
    size_t longestName = 0;
    for (const std::wstring& name : DownloadedFileNames(isWow64))
        longestName = std::max(longestName, name.size());
    const size_t folder =
        DownloadFolderFor(tempPath, 0xFFFFFFFF, kDownloadFolderAttempts - 1).size();
    return !tempPath.empty() && folder + longestName <= kMaxPath;
}
