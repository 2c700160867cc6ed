// The download of one package in 512 KiB range requests, each piece appended to the local file
// as it arrives, with progress after each piece and the cancel question while a piece comes
// and between pieces.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "base/network_timeouts.h"
#include "engine/step_feedback.h"
#include "threads/qel_result.h"

inline constexpr int32_t kPieceSize = 0x80000;
// Pieces in flight at once, each on a connection of its own; "Tellura_Connections" asks for 1
// to 8, and 1 is one piece after the other.
inline constexpr int kDefaultConnections = 4;

struct DownloadJob {
    std::wstring statusText;  // shown and logged when the download starts
    std::wstring localPath;   // created or truncated
    std::wstring url;
};

// The connections "Tellura_Connections" asks for: 1 to 8, else the default.
int DownloadConnections(const std::optional<std::wstring>& value);

// 0 done, 2 cancelled, 3 failed; QEL_E_FAIL for a first answer that was neither 200 nor 206,
// and the HTTP client's error when the total size could not be asked for. The limits default to
// the required ones; tests make them smaller.
int32_t DownloadPackage(StepFeedback& feedback, const DownloadJob& job,
                        const NetworkLimits& limits = {});

// Platform parts: the URL in the system's multibyte code page, nothing when it does not fit
// the 1024-byte buffer; the local file opened for binary writing.
std::optional<std::string> MultiByteUrl(const std::wstring& url);
FILE* CreatePackageFile(const std::wstring& path);
