#include <gtest/gtest.h>

#include "framework/format_string.h"

TEST(Placeholders, EveryOccurrenceOfEachIsReplaced) {
    EXPECT_EQ(ReplacePlaceholders(L"%1 Setup, %1 again", L"Tellura"),
              L"Tellura Setup, Tellura again");
    EXPECT_EQ(ReplacePlaceholders(L"%1 failed. Consult %2, %2.", L"Tellura", L"C:\\log"),
              L"Tellura failed. Consult C:\\log, C:\\log.");
}

TEST(Placeholders, InsertedTextIsNotScannedAgain) {
    // A check message that itself carries "%1" or "%2" appears as it stands.
    EXPECT_EQ(ReplacePlaceholders(L"%1\n\n more", L"needs %1 and %2"), L"needs %1 and %2\n\n more");
    EXPECT_EQ(ReplacePlaceholders(L"%1 / %2", L"%2", L"%1"), L"%2 / %1");
}

TEST(Placeholders, OtherPercentSequencesStay) {
    EXPECT_EQ(ReplacePlaceholders(L"%s needs %d MB, %2 and 100%", L"x"),
              L"%s needs %d MB, %2 and 100%");
    EXPECT_EQ(ReplacePlaceholders(L"%I64d bytes %3 %", L"a", L"b"), L"%I64d bytes %3 %");
    EXPECT_EQ(ReplacePlaceholders(L"", L"a"), L"");
}
