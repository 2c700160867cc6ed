// Resolved names are remembered for the driver's life; a name whose address failed is asked
// again.
#include "http/name_cache.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

std::map<std::string, int> g_lookups;

bool CountingResolver(const char* host, uint32_t* address) {
    ++g_lookups[host];
    if (std::string(host) == "nowhere") return false;
    *address = static_cast<uint32_t>(std::string(host).size());
    return true;
}

TEST(NameCache, EachNameIsLookedUpOnceUntilForgotten) {
    g_lookups.clear();
    QELHttpNameCache names(&CountingResolver);
    uint32_t address = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(names.Resolve("link", &address));
        EXPECT_EQ(address, 4u);
        ASSERT_TRUE(names.Resolve("files.example", &address));
        EXPECT_EQ(address, 13u);
    }
    EXPECT_EQ(g_lookups["link"], 1);
    EXPECT_EQ(g_lookups["files.example"], 1);
    // A failed lookup is not remembered as an answer.
    EXPECT_FALSE(names.Resolve("nowhere", &address));
    EXPECT_FALSE(names.Resolve("nowhere", &address));
    EXPECT_EQ(g_lookups["nowhere"], 2);
    names.Forget("link");
    ASSERT_TRUE(names.Resolve("link", &address));
    EXPECT_EQ(g_lookups["link"], 2);
    EXPECT_EQ(g_lookups["files.example"], 1);
}

TEST(NameCache, ManyNamesReplaceTheOldestOnly) {
    g_lookups.clear();
    QELHttpNameCache names(&CountingResolver);
    uint32_t address = 0;
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(names.Resolve(("h" + std::to_string(i)).c_str(), &address));
    ASSERT_TRUE(names.Resolve("h19", &address));
    ASSERT_TRUE(names.Resolve("h0", &address));
    EXPECT_EQ(g_lookups["h19"], 1);
    EXPECT_EQ(g_lookups["h0"], 2);
    EXPECT_FALSE(names.Resolve(nullptr, &address));
}

}  // namespace
