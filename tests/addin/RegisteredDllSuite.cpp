// The registered DLL of a test suite.
#include "RegisteredDllSuite.h"

#include "standin/StandInObject.h"

namespace testing_support {

ServerDll* RegisteredDllSuite::dll = nullptr;

void RegisteredDllSuite::SetUpTestSuite() {
    dll = new ServerDll;
    ASSERT_TRUE(dll->loaded());
    ASSERT_EQ(S_OK, dll->Register());
}

void RegisteredDllSuite::TearDownTestSuite() {
    EXPECT_EQ(S_OK, dll->Unregister());
    delete dll;
    dll = nullptr;
    // COM lets the module go once it can unload: the item of the last click goes with it.
    CoFreeUnusedLibrariesEx(0, 0);
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_EQ(0, standin::LiveObjects());
}

}  // namespace testing_support
