// The skip decision is taken once per process, so this suite runs in a program of its own.
#include <gtest/gtest.h>

#include <cstdlib>

#include "checks/msxml_checker.h"
#include "fake_msxml.h"

namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    value ? setenv(name, value, 1) : unsetenv(name);
#endif
}

TEST(MsxmlCheckerSkip, ReplayPurifySkipsForTheWholeProcess) {
    SetVariable("ReplayPurify", "1");
    FakeMsxml fake;
    fake.featureOk = false;
    const char* name = "untouched";
    int32_t detail = 77;
    EXPECT_EQ(QELMSXMLChecker::Check(fake, &name, &detail), 0);
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(detail, 77);
    EXPECT_TRUE(fake.calls.empty());

    SetVariable("ReplayPurify", nullptr);
    ASSERT_EQ(std::getenv("ReplayPurify"), nullptr);
    EXPECT_EQ(QELMSXMLChecker::Check(fake, &name, &detail), 0);
    EXPECT_STREQ(name, "untouched");
    EXPECT_TRUE(fake.calls.empty());
}

}  // namespace
