// The refusals of the OS, video and disk checks with their exact messages and log lines, over a
// catalogue holding the English texts.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "checks/adapter_rules.h"
#include "checks/disk_rules.h"
#include "checks/os_rules.h"
#include "checks/video_rules.h"
#include "resources/resource_ids.h"
#include "tests/unit/ascii_text.h"

namespace {

std::wstring English(unsigned id) {
    static const std::map<unsigned, std::wstring> texts = {
        {IDS_VIDEO_MEMORY, L"Video Memory = %d  MB"},
        {IDS_VIDEO_CARD_NAME, L"Video Card Name = %s"},
        {IDS_DISK_SPACE_REQUIRED, L"%s installation requires at least %d MB."},
        {IDS_XP64_SERVICE_PACK,
         L"Service Pack 2 or higher is required to install on Microsoft Windows XP 64-bit "
         L"editions."},
        {IDS_SERVER2003_SERVICE_PACK,
         L"Service Pack 1 or higher is required to install on Microsoft Windows Server 2003."},
        {IDS_XP_SERVICE_PACK,
         L"Service Pack 2 or higher is required to install on Microsoft Windows XP."},
        {IDS_OS_TOO_OLD, L"Setup requires Windows XP, Service Pack 2 or higher."},
        {IDS_FUNCTION_FAILED, L"Function %s failed - errno = %d"},
        {IDS_BYTES, L"%I64d bytes"},
        {IDS_OS_FORBIDDEN, L"%1 installation is forbidden on %2\n."},
        {IDS_HARDWARE_TOO_WEAK,
         L"Your hardware configuration does not meet the minimum requirements for %1."},
        {IDS_DISK_SIZE_ERROR, L"An error occurred when determining the available disk size."},
    };
    const auto found = texts.find(id);
    return found == texts.end() ? L"<missing " + std::to_wstring(id) + L">" : found->second;
}

void ExpectOutcome(const CheckOutcome& outcome, bool passed, const std::vector<std::wstring>& log,
                   const std::optional<std::wstring>& message) {
    EXPECT_EQ(outcome.passed, passed);
    EXPECT_EQ(outcome.log, log);
    EXPECT_EQ(outcome.message.has_value(), message.has_value());
    if (outcome.message && message) {
        EXPECT_EQ(Narrow(*outcome.message), Narrow(*message));
    }
}

TEST(CheckOutcomes, OsRefusalsCarryTheirRowsMessage) {
    const wchar_t* in = L"IN-> IsOSAuthorized()";
    const wchar_t* ok = L"OUT-> IsOSAuthorized() - OK ";
    const wchar_t* ko = L"OUT-> IsOSAuthorized() - KO ";
    const struct Row {
        const char* label;
        OsFacts facts;
        uint16_t architecture;
        uint16_t servicePack;
        bool passed;
        std::vector<std::wstring> log;
        std::optional<std::wstring> message;
    } rows[] = {
        {"XP SP1",
         {2, 5, 1, 1},
         0,
         1,
         false,
         {in, L"Microsoft Windows XP ", ko},
         English(IDS_XP_SERVICE_PACK)},
        {"XP SP2", {2, 5, 1, 1}, 0, 2, true, {in, L"Microsoft Windows XP ", ok}, std::nullopt},
        {"XP x64 SP1",
         {2, 5, 2, 1},
         9,
         1,
         false,
         {in, L"Microsoft Windows XP Professional x64 Edition ", ko},
         English(IDS_XP64_SERVICE_PACK)},
        {"2003 SP0",
         {2, 5, 2, 3},
         0,
         0,
         false,
         {in, L"Microsoft Windows Server 2003", ko},
         English(IDS_SERVER2003_SERVICE_PACK)},
        {"2000",
         {2, 5, 0, 1},
         0,
         4,
         false,
         {in, L"Microsoft Windows 2000 ", ko},
         English(IDS_OS_TOO_OLD)},
        {"Server 2008",
         {2, 6, 0, 3},
         0,
         2,
         false,
         {in, L"Microsoft Windows Server 2008 ", ko},
         L"Tellura installation is forbidden on Microsoft Windows Server 2008 \n."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const OsCheck check = CheckOs(
            &row.facts, [&] { return row.architecture; },
            [&](uint16_t required) { return row.servicePack >= required; }, English);
        ExpectOutcome(check.outcome, row.passed, row.log, row.message);
    }
    // A failed version query: an empty name line, no message.
    const OsCheck unknown = CheckOs(
        nullptr, [] { return uint16_t{0}; }, [](uint16_t) { return true; }, English);
    ExpectOutcome(unknown.outcome, false, {in, L"", ko}, std::nullopt);
    EXPECT_FALSE(unknown.isVersion60);
}

TEST(CheckOutcomes, VideoCardRefusedOnlyWhenTheProbeRejects) {
    const wchar_t* in = L"IN-> IsVideoCardOK()";
    const struct Row {
        const char* label;
        int probe;
        const wchar_t* name;
        uint32_t memory;
        bool passed;
        std::vector<std::wstring> log;
        std::optional<std::wstring> message;
    } rows[] = {
        {"rejected",
         kAdapterRejected,
         L"Weak 3D",
         32u << 20,
         false,
         {in, L"Video Card Name = Weak 3D", L"Video Memory = 32  MB",
          L"OUT-> IsVideoCardOK() - KO"},
         L"Your hardware configuration does not meet the minimum requirements for Tellura."},
        {"accepted, memory rounded down",
         kAdapterAccepted,
         L"Good",
         (256u << 20) + 1048575,
         true,
         {in, L"Video Card Name = Good", L"Video Memory = 256  MB", L"OUT-> IsVideoCardOK() - OK "},
         std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ExpectOutcome(DecideVideoCard(row.probe, row.name, row.memory, English), row.passed,
                      row.log, row.message);
    }
}

TEST(CheckOutcomes, DiskSpaceRefusalsAndTheFreeBytesLine) {
    const wchar_t* in = L"IN-> IsEnoughDiskSpace()";
    const wchar_t* ok = L"OUT-> IsEnoughDiskSpace() - OK ";
    const wchar_t* ko = L"OUT-> IsEnoughDiskSpace() - KO";
    const struct Row {
        const char* label;
        DiskMeasure measure;
        bool upgrade;
        bool passed;
        std::vector<std::wstring> log;
        std::wstring message;
    } rows[] = {
        {"query failed",
         {false, 3, 0},
         false,
         false,
         {in, L"Function GetDiskSpaceEx failed - errno = 3", ko},
         English(IDS_DISK_SIZE_ERROR)},
        {"exactly enough",
         {true, 0, 262144000},
         false,
         true,
         {in, L"262144000 bytes", ok},
         L"262144000 bytes"},
        {"one byte short",
         {true, 0, 262143999},
         false,
         false,
         {in, L"262143999 bytes", ko},
         L"Tellura installation requires at least 250 MB."},
        {"upgrade, 100 MB",
         {true, 0, 100u << 20},
         true,
         false,
         {in, L"104857600 bytes", ko},
         L"Tellura installation requires at least 120 MB."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        ExpectOutcome(DecideDiskSpace(row.measure, row.upgrade, English), row.passed, row.log,
                      row.message);
    }
}

}  // namespace
