// Base of the test suites that meet the add-in as the host does: Parcelon.dll registered
// for all the cases of the suite, unregistered and let go at its end.
#pragma once

#include <gtest/gtest.h>

#include "tests/server/ComTestSupport.h"

namespace testing_support {

class RegisteredDllSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    // Also checks that no stand-in object outlives the module.
    static void TearDownTestSuite();

    static ServerDll* dll;
};

}  // namespace testing_support
