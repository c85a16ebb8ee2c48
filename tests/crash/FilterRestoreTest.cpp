// Loading Parcelon.dll installs its crash filter; unloading it must not leave the process's
// filter pointing into the unloaded module.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/UniqueResource.h"
#include "tests/crash/TestBinaries.h"

using parcelon::UniqueLibrary;

namespace {
LONG WINAPI EarlierFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }
LONG WINAPI LaterFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

LPTOP_LEVEL_EXCEPTION_FILTER CurrentFilter() {
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(current);
    return current;
}

HMODULE ModuleOf(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const char*>(filter), &module);
    return module;
}

// Keeps the test program's own filter whatever a case does.
class FilterRestoreTest : public ::testing::Test {
protected:
    void SetUp() override { original = SetUnhandledExceptionFilter(&EarlierFilter); }
    void TearDown() override { SetUnhandledExceptionFilter(original); }
    LPTOP_LEVEL_EXCEPTION_FILTER original = nullptr;
};
}  // namespace

TEST_F(FilterRestoreTest, UnloadPutsBackTheFilterThatWasReplaced) {
    {
        UniqueLibrary dll(LoadLibraryA(testing_support::ParcelonDllPath().c_str()));
        ASSERT_TRUE(dll);
        LPTOP_LEVEL_EXCEPTION_FILTER installed = CurrentFilter();
        EXPECT_NE(&EarlierFilter, installed);
        EXPECT_EQ(dll.get(), ModuleOf(installed));
    }
    EXPECT_EQ(nullptr, GetModuleHandleA("Parcelon.dll"));
    EXPECT_EQ(&EarlierFilter, CurrentFilter());
}

TEST_F(FilterRestoreTest, FilterInstalledOverTheDllsStaysAtUnload) {
    {
        UniqueLibrary dll(LoadLibraryA(testing_support::ParcelonDllPath().c_str()));
        ASSERT_TRUE(dll);
        SetUnhandledExceptionFilter(&LaterFilter);
    }
    EXPECT_EQ(&LaterFilter, CurrentFilter());
}
