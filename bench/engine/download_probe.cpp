// Downloads one package exactly as the setup does, without a dialog: for timing the download and
// measuring its memory from outside.
//   engine_download_probe [--resident] URL FILE    exit status 0 when the file is complete
//   engine_download_probe [--resident] --idle      starts and ends: an idle process's memory
// --resident (Linux) first maps every page of the program's files, so that a peak resident size
// above an idle probe's is what the run allocated, not the shared library code it happened to run.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
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

// Reads one byte of each page of every readable file mapping in /proc/self/maps that lies
// within its file (a page past the end would fault).
bool MapFilesResident() {
    std::ifstream maps("/proc/self/maps");
    if (!maps) return false;
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range, permissions, offset, device;
        unsigned long inode = 0;
        fields >> range >> permissions >> offset >> device >> inode;
        std::string path;
        std::getline(fields >> std::ws, path);
        std::error_code unknown;
        const unsigned long size = std::filesystem::file_size(path, unknown);
        if (inode == 0 || permissions[0] != 'r' || unknown) continue;
        const unsigned long begin = std::stoul(range, nullptr, 16);
        const unsigned long inFile = size - std::min(size, std::stoul(offset, nullptr, 16));
        const unsigned long end =
            std::min(std::stoul(range.substr(range.find('-') + 1), nullptr, 16), begin + inFile);
        for (unsigned long page = begin; page < end; page += 4096)
            (void)*reinterpret_cast<const volatile char*>(page);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--resident") == 0) {
        if (!MapFilesResident()) {
            std::fprintf(stderr, "--resident: /proc/self/maps cannot be read\n");
            return 2;
        }
        --argc, ++argv;
    }
    if (argc == 2 && std::strcmp(argv[1], "--idle") == 0) return 0;
    if (argc != 3) {
        std::fprintf(stderr, "usage: engine_download_probe [--resident] URL FILE | --idle\n");
        return 2;
    }
    Silent silent;
    const int32_t result = DownloadPackage(silent, {L"", Wide(argv[2]), Wide(argv[1])});
    std::printf("%d\n", result);
    return result == 0 ? 0 : 1;
}
