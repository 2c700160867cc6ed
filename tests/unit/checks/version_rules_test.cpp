#include "checks/version_rules.h"

#include <gtest/gtest.h>

namespace {

void ExpectTriple(const wchar_t* text, int32_t major, int32_t minor, int32_t build) {
    SCOPED_TRACE(testing::Message() << "text: " << testing::PrintToString(std::wstring(text)));
    const VersionTriple v = ParseVersionTriple(text);
    EXPECT_EQ(v.major, major);
    EXPECT_EQ(v.minor, minor);
    EXPECT_EQ(v.build, build);
}

TEST(VersionTriple, ParsesLikeScanf) {
    ExpectTriple(L"8.1.3", 8, 1, 3);
    ExpectTriple(L"8.1", 8, 1, 0);
    ExpectTriple(L"2", 2, 0, 0);
    ExpectTriple(L"", 0, 0, 0);
    ExpectTriple(L"abc", 0, 0, 0);
    ExpectTriple(L"1.2.3.4", 1, 2, 3);
    ExpectTriple(L"1..3", 1, 0, 0);
    ExpectTriple(L" 1. 2.-3", 1, 2, -3);
    ExpectTriple(L"1.x.3", 1, 0, 0);
    ExpectTriple(L"99999999999.1.1", 2147483647, 1, 1);
    ExpectTriple(L"-99999999999", -2147483647 - 1, 0, 0);
}

TEST(VersionTriple, ComparesMajorMinorBuildSigned) {
    const VersionTriple required = ParseVersionTriple(L"8.1.3");
    struct Row {
        const wchar_t* installed;
        bool satisfied;
    };
    const Row rows[] = {{L"8.1.3", true}, {L"8.1.2", false}, {L"8.0.9", false},  {L"9.0.0", true},
                        {L"8.2.0", true}, {L"8.1", false},   {L"-9.9.9", false}, {L"8.1.30", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.installed)));
        EXPECT_EQ(CompareVersions(ParseVersionTriple(row.installed), required) >= 0, row.satisfied);
    }
    EXPECT_GT(CompareVersions(ParseVersionTriple(L"1.1.0"), ParseVersionTriple(L"1.0.99")), 0);
    EXPECT_EQ(CompareVersions(ParseVersionTriple(L"2"), ParseVersionTriple(L"2.0.0")), 0);
}

const std::wstring kCode(kProductUpgradeCode);

TEST(VersionFile, AcceptsTheFormWithItsVariants) {
    struct Row {
        std::wstring content;
        const wchar_t* version;
    };
    const Row rows[] = {
        {L"PNQ1\t" + kCode + L"\t1.0.12\r\n", L"1.0.12"},
        {L"PNQ1\t\t" + kCode + L"\t\t\t1.0.13", L"1.0.13"},
        {L"PNQ1 extra\t" + kCode + L"\t2\tignored\tfields", L"2"},
        {L"PNQ1\t" + kCode + L"\r\n\t1.2\n", L"1.2"},
    };
    for (const Row& row : rows) {
        const VersionFile file = ParseVersionFile(row.content);
        EXPECT_EQ(file.outcome, VersionFile::Outcome::kOk);
        EXPECT_EQ(file.version, row.version);
        EXPECT_EQ(file.text.find_first_of(L"\r\n"), std::wstring::npos);
    }
}

TEST(VersionFile, RefusesWhatDoesNotConform) {
    // Each tag differs from "PNQ1" at another character, the last ones after the first.
    for (const wchar_t* tag :
         {L" PNQ1", L"\xFEFFPNQ1", L"pnq1", L"PMQ1", L"PNR1", L"PNQ2", L"PNQ"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(tag)));
        EXPECT_EQ(ParseVersionFile(tag + (L"\t" + kCode) + L"\t1.0.0").outcome,
                  VersionFile::Outcome::kTagNotFound);
    }
    EXPECT_EQ(ParseVersionFile(L"").outcome, VersionFile::Outcome::kTagNotFound);

    const VersionFile lower =
        ParseVersionFile(L"PNQ1\t{443128ef-b891-47d2-a48c-1b67e8224974}\t1.0.0");
    EXPECT_EQ(lower.outcome, VersionFile::Outcome::kWrongUpgradeCode);
    EXPECT_EQ(lower.upgradeCode, L"{443128ef-b891-47d2-a48c-1b67e8224974}");
    EXPECT_EQ(ParseVersionFile(L"PNQ1").outcome, VersionFile::Outcome::kWrongUpgradeCode);

    EXPECT_EQ(ParseVersionFile(L"PNQ1\t" + kCode).outcome, VersionFile::Outcome::kNoVersion);
    EXPECT_EQ(ParseVersionFile(L"PNQ1\t" + kCode + L"\t\t\r\n").outcome,
              VersionFile::Outcome::kNoVersion);
}

TEST(VersionFile, SizeLimits) {
    EXPECT_FALSE(IsVersionFileSize(0));
    EXPECT_TRUE(IsVersionFileSize(1));
    EXPECT_TRUE(IsVersionFileSize(512));
    EXPECT_FALSE(IsVersionFileSize(513));
    EXPECT_FALSE(IsVersionFileSize(-1));
}

}  // namespace
