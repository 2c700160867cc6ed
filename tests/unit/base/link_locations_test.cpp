#include <gtest/gtest.h>

#include <cstdlib>

#include "base/link_locations.h"

namespace {

void SetServerVariable(const char* value) {
#ifdef _WIN32
    _putenv_s("Tellura_Server", value);
#else
    setenv("Tellura_Server", value, 1);
#endif
}

}  // namespace

TEST(LinkLocations, ChoiceOfTheServer) {
    const ServerChoice absent = ChooseServer(std::nullopt);
    EXPECT_EQ(absent.name, L"go.tellura.com");
    EXPECT_FALSE(absent.custom);

    const ServerChoice named = ChooseServer(std::wstring(L"127.0.0.1:8081"));
    EXPECT_EQ(named.name, L"127.0.0.1:8081");
    EXPECT_TRUE(named.custom);

    // Defined but empty still counts as custom.
    const ServerChoice empty = ChooseServer(std::wstring());
    EXPECT_EQ(empty.name, L"");
    EXPECT_TRUE(empty.custom);
}

TEST(LinkLocations, ResolvedOnceFromTheEnvironment) {
    SetServerVariable("links.test");
    EXPECT_TRUE(IsCustomServer());
    EXPECT_EQ(GetServerName(), L"links.test");
    EXPECT_EQ(MakeLinkUrl(kLinkLicence), L"http://links.test/fwlink/?LinkId=136710");

    SetServerVariable("other.test");
    EXPECT_EQ(GetServerName(), L"links.test");
    EXPECT_EQ(MakeLinkUrl(kLinkHelp), L"http://links.test/fwlink/?LinkId=103527");
}
