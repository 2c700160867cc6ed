#include "engine/package_download.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "base/network_timeouts.h"
#include "base/printf_fill.h"
#include "base/setup_state.h"
#include "http/http_client.h"

namespace {

std::wstring Number(int64_t value) { return std::to_wstring(value); }

// One call, one download: the client, the file and the last body live as long as it.
class PieceDownload {
  public:
    PieceDownload(StepFeedback& feedback, const DownloadJob& job) : ui_(feedback), job_(job) {}
    ~PieceDownload() {
        std::free(body_);
        if (file_) std::fclose(file_);
    }

    // Downloads and logs how it ended.
    int32_t Run() {
        const int32_t result = Steps();
        if (!message_.empty()) ui_.Log(message_);
        ui_.Log(result == 0   ? L"OUT->DownloadPrereqs ()  OK"
                : result == 2 ? L"OUT->DownloadPrereqs () CANCEL"
                              : L"OUT->DownloadPrereqs () KO");
        return result;
    }

  private:
    int32_t Steps();
    int32_t Fail(std::wstring message) {
        message_ = std::move(message);
        return 3;
    }
    int32_t Fetch(int32_t from, int32_t count);
    int32_t AppendBody();
    int32_t TotalSize(int64_t& total);

    StepFeedback& ui_;
    const DownloadJob& job_;
    std::string url_;
    std::unique_ptr<QELHttpClient> client_;
    FILE* file_ = nullptr;
    char* body_ = nullptr;
    int32_t length_ = 0;
    std::wstring message_;
};

int32_t PieceDownload::Fetch(int32_t from, int32_t count) {
    std::free(body_);
    body_ = nullptr;
    length_ = 0;
    return client_->GetRange(url_.c_str(), 1, 0, from, count, &body_, &length_, nullptr);
}

int32_t PieceDownload::AppendBody() {
    const size_t written = std::fwrite(body_, 1, static_cast<size_t>(length_), file_);
    if (written == static_cast<size_t>(length_)) return 0;
    return Fail(
        FillConversions(L"Setup wrote only %d bytes in %s instead of %d bytes",
                        {Number(static_cast<int64_t>(written)), job_.localPath, Number(length_)}));
}

// What the first answer says about the whole file's size.
int32_t PieceDownload::TotalSize(int64_t& total) {
    char* status = nullptr;
    int32_t statusLength = 0;
    if (client_->QueryInfo(&status, &statusLength, nullptr, 19, nullptr) != 0 || !status) {
        std::free(status);
        return 3;
    }
    const int code = std::atoi(status);
    std::free(status);
    if (code == 200) {
        total = length_;
        return 0;
    }
    if (code != 206) return kDownloadUnexpectedStatus;

    // Servers write one blank after the colon; a name with the blanks would never match.
    char* range = nullptr;
    int32_t rangeLength = 0;
    const int32_t rc = client_->QueryInfo(&range, &rangeLength, nullptr, 0xFFFF, "Content-Range");
    if (rc != 0) {
        std::free(range);
        return rc;
    }
    const std::string value(range ? range : "", range ? static_cast<size_t>(rangeLength) : 0);
    std::free(range);
    const std::optional<int64_t> parsed = ContentRangeTotal(value);
    if (!parsed) {
        // The socket driver's value still carries the colon and blank after the name.
        const size_t start = std::min(value.find_first_not_of(": "), value.size());
        return Fail(L"Setup failed - no total size in Content-Range " +
                    std::wstring(value.begin() + start, value.end()));
    }
    // Offsets go out as 32-bit numbers, and a total below what came already cannot be right.
    if (*parsed < length_ || *parsed > INT32_MAX) {
        return Fail(
            FillConversions(L"Setup failed - total size %I64d does not fit %d received bytes",
                            {Number(*parsed), Number(length_)}));
    }
    total = *parsed;
    return 0;
}

int32_t PieceDownload::Steps() {
    ui_.Log(FillConversions(L"Downloading %s from %s", {job_.localPath, job_.url}));
    const std::optional<std::string> url = MultiByteUrl(job_.url);
    if (!url) return Fail(L"Setup failed to download " + job_.url);
    url_ = *url;
    client_ = std::make_unique<QELHttpClient>(nullptr, 1, 1);
    // A server that goes quiet mid-piece ends the download instead of freezing it.
    ApplyNetworkTimeouts(*client_);
    ui_.Log(job_.statusText);

    const int32_t first = Fetch(0, kPieceSize);
    if (first != 0 || !body_) return Fail(L"Setup failed to download " + job_.url);
    if (length_ > kPieceSize || length_ <= 0) {
        return Fail(FillConversions(L"Setup failed - %d  downloaded bytes > %d asked bytes",
                                    {Number(length_), Number(kPieceSize)}));
    }
    file_ = CreatePackageFile(job_.localPath);
    if (!file_) return Fail(L"Cannot open file " + job_.localPath);
    if (AppendBody() != 0) return 3;

    int64_t total = 0;
    if (const int32_t rc = TotalSize(total); rc != 0) return rc;
    int64_t received = length_;
    int64_t remaining = total - received;
    const int32_t range = static_cast<int32_t>((remaining >> 19) - 1);
    ProgressStep = 0;
    ui_.ShowProgress(0, range);

    while (remaining > 0) {
        const int32_t count = remaining > kPieceSize ? kPieceSize : static_cast<int32_t>(remaining);
        // Only the body tells whether a piece came.
        Fetch(static_cast<int32_t>(received), count);
        if (!body_) return Fail(L"Setup failed to download " + job_.url);
        if (length_ > count) {
            return Fail(FillConversions(L"Setup failed - %d  downloaded bytes > %d asked bytes",
                                        {Number(length_), Number(count)}));
        }
        if (AppendBody() != 0) return 3;
        if (CancelRequests.load() == 1) {
            if (ui_.ConfirmCancel()) {
                message_ = L"Setup was interrupted by user during download of " + job_.url;
                return 2;
            }
            --CancelRequests;
        }
        received += length_;
        remaining -= length_;
        ui_.ShowProgress(++ProgressStep, range);
    }
    ui_.ShowProgress(range, range);
    // The last bytes may still wait in the stream's buffer: a full disk shows only here.
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) return Fail(L"Setup could not complete the file " + job_.localPath);
    return 0;
}

}  // namespace

std::optional<int64_t> ContentRangeTotal(std::string_view value) {
    const size_t slash = value.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string total(value.substr(slash + 1));
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(total.c_str(), &end, 10);
    if (end == total.c_str() || errno == ERANGE) return std::nullopt;
    return parsed;
}

int32_t DownloadPackage(StepFeedback& feedback, const DownloadJob& job) {
    feedback.Log(L"IN->DownloadPrereqs ()");
    feedback.ShowStatus(job.statusText);
    return PieceDownload(feedback, job).Run();
}
