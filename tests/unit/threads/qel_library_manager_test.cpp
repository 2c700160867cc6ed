#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"
#include "threads/qel_library_manager.h"

namespace {

#ifdef _WIN32
const char kSuffix[] = ".dll";
#else
const char kSuffix[] = ".so";
#endif

// Base name (full path, no suffix) of a test library beside this program.
std::string Base(const std::string& name) { return qeltest::SiblingPath(name); }

int ValueOf(void* address) { return reinterpret_cast<int (*)()>(address)(); }

TEST(QELThrLibraryManager, LoadsBaseNameWithSuffixOnceAndCachesFailures) {
    const std::string a = Base("qel_testlib_a");
    HINSTANCE first = QELThrLibraryManager::LoadLibraryW(a.c_str());
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, QELThrLibraryManager::LoadLibraryW(a.c_str()));

    // The suffix is appended whatever the name ends with.
    EXPECT_EQ(nullptr, QELThrLibraryManager::LoadLibraryW((a + kSuffix).c_str()));
    EXPECT_NE(nullptr, QELThrLibraryManager::LoadLibraryW(
                           Base(std::string("qel_testlib_c") + kSuffix).c_str()));
    EXPECT_EQ(nullptr, QELThrLibraryManager::LoadLibraryW(nullptr));
}

TEST(QELThrLibraryManager, FailedLoadIsNotTriedAgain) {
    const std::string late = Base("qel_testlib_late");
    std::filesystem::remove(late + kSuffix);
    EXPECT_EQ(nullptr, QELThrLibraryManager::LoadLibraryW(late.c_str()));
    // The file now exists, but the failure is remembered.
    std::filesystem::copy_file(Base("qel_testlib_a") + kSuffix, late + kSuffix,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(nullptr, QELThrLibraryManager::LoadLibraryW(late.c_str()));
    EXPECT_EQ(nullptr,
              QELThrLibraryManager::GetFunctionAddress(late.c_str(), "qel_testlib_value").address);
}

TEST(QELThrLibraryManager, SymbolCacheHitHasNoModuleHandle) {
    const std::string b = Base("qel_testlib_b");
    const QELThrLibraryHandler first =
        QELThrLibraryManager::GetFunctionAddress(b.c_str(), "qel_testlib_value");
    ASSERT_NE(nullptr, first.address);
    EXPECT_NE(nullptr, first.module);
    EXPECT_EQ(2, ValueOf(first.address));
    const QELThrLibraryHandler cached =
        QELThrLibraryManager::GetFunctionAddress(b.c_str(), "qel_testlib_value");
    EXPECT_EQ(first.address, cached.address);
    EXPECT_EQ(nullptr, cached.module);

    const QELThrLibraryHandler onlyLoaded =
        QELThrLibraryManager::GetFunctionAddress(b.c_str(), nullptr);
    EXPECT_EQ(nullptr, onlyLoaded.address);
    EXPECT_EQ(first.module, onlyLoaded.module);

    // A missing symbol is not cached: the module is searched each time.
    const QELThrLibraryHandler missing =
        QELThrLibraryManager::GetFunctionAddress(b.c_str(), "no_such_symbol");
    EXPECT_EQ(nullptr, missing.address);
    EXPECT_EQ(first.module,
              QELThrLibraryManager::GetFunctionAddress(b.c_str(), "no_such_symbol").module);
}

TEST(QELThrLibraryManager, OneSymbolNameInTwoLibraries) {
    const std::string a = Base("qel_testlib_a");
    const std::string b = Base("qel_testlib_b");
    for (int round = 0; round < 2; ++round) {  // found, then from the cache
        EXPECT_EQ(
            1,
            ValueOf(
                QELThrLibraryManager::GetFunctionAddress(a.c_str(), "qel_testlib_value").address));
        EXPECT_EQ(
            2,
            ValueOf(
                QELThrLibraryManager::GetFunctionAddress(b.c_str(), "qel_testlib_value").address));
    }
}

}  // namespace
