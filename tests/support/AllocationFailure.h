// A planted throw for the entry points of the add-in: while an AllocationFailure lives,
// every allocation by operator new on the thread it names fails with std::bad_alloc, as
// when the host's process runs out of memory. The program that links AllocationFailure.cpp
// gets its operator new replaced for that.
#pragma once

#include <windows.h>

namespace testing_support {

class AllocationFailure {
public:
    explicit AllocationFailure(DWORD thread = GetCurrentThreadId());
    ~AllocationFailure();
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;
};

}  // namespace testing_support
