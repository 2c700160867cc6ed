#include <gtest/gtest.h>

#include "base/log_line.h"
#include "tests/unit/log_text.h"

namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

}  // namespace

TEST(LogStamp, TwoDigitDateThenTwentyFourHourTime) {
    EXPECT_EQ(FormatLogStamp(At(2009, 6, 26, 9, 50, 0)), "06/26/09 - 09:50:00");
    EXPECT_EQ(FormatLogStamp(At(2026, 12, 8, 23, 5, 9)), "12/08/26 - 23:05:09");
}

TEST(LogLine, StampAndTextThroughTheTemplateWithCrLf) {
    EXPECT_EQ(ComposeLogLine("06/26/09 - 09:50:00", L"Version 06-26-2009.09.50", L"%s: %s\n"),
              "06/26/09 - 09:50:00: Version 06-26-2009.09.50\r\n");
}

TEST(LogLine, TextKeepsItsBlanksAndLineBreaks) {
    EXPECT_EQ(ComposeLogLine("s", L"OUT-> IsOSAuthorized() - OK ", L"%s: %s\n"),
              "s: OUT-> IsOSAuthorized() - OK \r\n");
    // A trailing line feed in the text gives an empty line after it.
    EXPECT_EQ(ComposeLogLine("s", L"two\nlines\n", L"%s: %s\n"), "s: two\r\nlines\r\n\r\n");
}

TEST(LogLine, EmptyStampAndMissingTemplate) {
    EXPECT_EQ(ComposeLogLine("", L"text", L"%s: %s\n"), ": text\r\n");
    EXPECT_EQ(ComposeLogLine("s", L"text", L""), "s: text\r\n");
}

TEST(LogLine, CharactersAbove255AreEscapedAndEveryTextReadsBack) {
    const struct {
        std::wstring text;
        std::string bytes;
    } cases[] = {
        {L"caf\u00e9 \u00ff", "caf\xe9 \xff"},
        {L"C:\\users\\J\u00fcrgen M\u00fcller \u6771\u4eac\\Temp\\",
         "C:\\users\\J\xfcrgen M\xfcller \\u6771\\u4eac\\Temp\\"},
        {L"\u0391\u03b8\u03ae\u03bd\u03b1 \u041c\u043e\u0441\u043a\u0432\u0430",
         "\\u0391\\u03b8\\u03ae\\u03bd\\u03b1 \\u041c\\u043e\\u0441\\u043a\\u0432\\u0430"},
        {L"\xd83d\xde00", "\\ud83d\\ude00"},  // one character beyond the 16-bit plane
        // Folders named like an escape keep their backslash apart.
        {L"C:\\u00e9\\ua\\uABCD", "C:\\u005cu00e9\\ua\\u005cuABCD"},
        {L"\\u12", "\\u12"},
    };
    for (const auto& c : cases) {
        const std::string line = ComposeLogLine("s", c.text, L"%s: %s\n");
        EXPECT_EQ(line, "s: " + c.bytes + "\r\n");
        EXPECT_EQ(ReadLogText(line), L"s: " + c.text + L"\r\n");
    }
}

TEST(LogLine, TemplateTextOtherThanTwoStringFieldsIsCopied) {
    // A translated template is ours to fill, never a printf format for the caller's text.
    EXPECT_EQ(ComposeLogLine("s", L"%d %n %s", L"[%s] %% %d %s %s\n"), "[s] % %d %d %n %s %s\r\n");
}
