#include "checks/os_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "resources/resource_ids.h"

namespace {

struct OsRow {
    const char* label;
    OsFacts facts;
    uint16_t architecture;
    uint16_t servicePack;
    bool accepted;
    const wchar_t* osName;
    unsigned messageId;
    bool isVersion60;
};

constexpr uint32_t kNt = kPlatformWin32Nt;
constexpr uint8_t kServer = 3;

const OsRow kRows[] = {
    {"Windows 9x", {1, 4, 10, 0}, 0, 0, true, nullptr, 0, false},
    {"NT 4", {kNt, 4, 0, 1}, 0, 6, false, L"Microsoft Windows NT ", IDS_OS_TOO_OLD, false},
    {"2000", {kNt, 5, 0, 1}, 0, 4, false, L"Microsoft Windows 2000 ", IDS_OS_TOO_OLD, false},
    {"XP SP1", {kNt, 5, 1, 1}, 0, 1, false, L"Microsoft Windows XP ", IDS_XP_SERVICE_PACK, false},
    {"XP SP2", {kNt, 5, 1, 1}, 0, 2, true, L"Microsoft Windows XP ", 0, false},
    {"XP SP3", {kNt, 5, 1, 1}, 0, 3, true, L"Microsoft Windows XP ", 0, false},
    {"XP x64 SP1",
     {kNt, 5, 2, 1},
     9,
     1,
     false,
     L"Microsoft Windows XP Professional x64 Edition ",
     IDS_XP64_SERVICE_PACK,
     false},
    {"XP x64 SP2",
     {kNt, 5, 2, 1},
     9,
     2,
     true,
     L"Microsoft Windows XP Professional x64 Edition ",
     0,
     false},
    {"2003 SP0",
     {kNt, 5, 2, kServer},
     0,
     0,
     false,
     L"Microsoft Windows Server 2003",
     IDS_SERVER2003_SERVICE_PACK,
     false},
    {"2003 SP1", {kNt, 5, 2, kServer}, 9, 1, true, L"Microsoft Windows Server 2003", 0, false},
    // A 32-bit workstation 5.2 is not the x64 edition.
    {"5.2 x86 workstation SP1",
     {kNt, 5, 2, 1},
     0,
     1,
     true,
     L"Microsoft Windows Server 2003",
     0,
     false},
    {"5.3", {kNt, 5, 3, 1}, 0, 0, true, nullptr, 0, false},
    {"Vista", {kNt, 6, 0, 1}, 0, 0, true, L"Microsoft Windows Vista ", 0, true},
    {"Server 2008",
     {kNt, 6, 0, kServer},
     0,
     2,
     false,
     L"Microsoft Windows Server 2008 ",
     IDS_OS_FORBIDDEN,
     true},
    {"7", {kNt, 6, 1, 1}, 0, 1, true, nullptr, 0, false},
    {"10", {kNt, 10, 0, 1}, 9, 0, true, nullptr, 0, false},
};

TEST(DecideOs, EveryRowOfTheTable) {
    for (const OsRow& row : kRows) {
        SCOPED_TRACE(row.label);
        const OsDecision decision = DecideOs(
            row.facts, [&] { return row.architecture; },
            [&](uint16_t required) { return row.servicePack >= required; });
        EXPECT_EQ(decision.accepted, row.accepted);
        EXPECT_EQ(std::wstring(decision.osName ? decision.osName : L"<none>"),
                  std::wstring(row.osName ? row.osName : L"<none>"));
        EXPECT_EQ(decision.messageId, row.messageId);
        EXPECT_EQ(decision.isVersion60, row.isVersion60);
    }
}

TEST(DecideOs, AsksArchitectureOnlyFor52AndServicePackOnlyWhereNeeded) {
    int architectureAsked = 0;
    int servicePackAsked = 0;
    auto architecture = [&] { return ++architectureAsked, uint16_t{9}; };
    auto servicePack = [&](uint16_t) { return ++servicePackAsked, true; };
    DecideOs({kNt, 5, 0, 1}, architecture, servicePack);
    DecideOs({kNt, 6, 0, 1}, architecture, servicePack);
    DecideOs({kNt, 6, 1, 1}, architecture, servicePack);
    EXPECT_EQ(architectureAsked, 0);
    EXPECT_EQ(servicePackAsked, 0);
    DecideOs({kNt, 5, 2, 1}, architecture, servicePack);
    EXPECT_EQ(architectureAsked, 1);
    EXPECT_EQ(servicePackAsked, 1);
}

}  // namespace
