#include <gtest/gtest.h>

#include "base/user_shell.h"

namespace {

TEST(SplitCommandLine, ProgramAndTheRest) {
    struct Row {
        const wchar_t* line;
        const wchar_t* program;
        const wchar_t* arguments;
    };
    const Row rows[] = {
        {L"\"C:\\Program Files\\T\\V.exe\" -id  7 ", L"C:\\Program Files\\T\\V.exe", L"-id  7 "},
        {L"C:\\T\\V.exe -id 7", L"C:\\T\\V.exe", L"-id 7"},
        {L"C:\\T\\V.exe", L"C:\\T\\V.exe", L""},
        {L"\"C:\\T\\V.exe\"", L"C:\\T\\V.exe", L""},
        {L"\"C:\\T\\unclosed -id", L"C:\\T\\unclosed -id", L""},
        {L"", L"", L""},
    };
    for (const Row& row : rows) {
        const ProgramAndArguments parts = SplitCommandLine(row.line);
        EXPECT_EQ(parts.program, row.program) << row.line;
        EXPECT_EQ(parts.arguments, row.arguments) << row.line;
    }
}

}  // namespace
