// Downloads one package exactly as the setup does, without a dialog: for timing the download and
// measuring its memory from outside.
//   engine_download_probe URL FILE    exit status 0 when the file is complete
//   engine_download_probe --idle      starts and ends, for the memory of an idle process
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/package_download.h"

namespace {

class Silent : public StepFeedback {
  public:
    void Log(const std::wstring&) override {}
    void ShowStatus(const std::wstring&) override {}
    void ShowProgress(int32_t, int32_t) override {}
    void ShowOutcome(SetupOutcome) override {}
    bool ConfirmCancel() override { return false; }
    std::wstring ProductText(unsigned) override { return {}; }
    std::optional<int32_t> DialogWindow() override { return std::nullopt; }
};

std::wstring Wide(const char* text) { return std::wstring(text, text + std::strlen(text)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--idle") == 0) return 0;
    if (argc != 3) {
        std::fprintf(stderr, "usage: engine_download_probe URL FILE | --idle\n");
        return 2;
    }
    Silent silent;
    const int32_t result = DownloadPackage(silent, {L"", Wide(argv[2]), Wide(argv[1])});
    std::printf("%d\n", result);
    return result == 0 ? 0 : 1;
}
