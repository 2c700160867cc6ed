// The worker's steps as the worker calls them: packages live in DownloadFolder under their
// file name, and the record is the dialog's (none: nothing is posted).
#pragma once

#include <cstdint>
#include <string>

#include "base/worker_messages.h"

// 0 the file is complete and held unchanged until the downloads are deleted (see
// engine/package_hold.h), 2 cancelled by the user, anything else failed.
int32_t DownloadPrereqs(const std::wstring& statusText, const std::wstring& fileName,
                        const std::wstring& linkPath, WorkerParam* record);

int32_t InstallMSI(std::wstring statusText, std::wstring fileName, WorkerParam* record,
                   bool withProperties, std::wstring properties, bool isUpdatePackage);
int32_t RemoveMSI(std::wstring statusText, std::wstring fileName, WorkerParam* record);
// The product's installer properties for the user-interface language.
std::wstring GetMsiProperties();
