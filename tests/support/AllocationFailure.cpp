// Allocations that fail on one thread while asked to.
#include "AllocationFailure.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<DWORD> threadWithoutMemory{0};
}  // namespace

// The replacement pair allocates with malloc and frees with free; GCC cannot see they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    if (threadWithoutMemory.load() == GetCurrentThreadId()) throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

namespace testing_support {

AllocationFailure::AllocationFailure(DWORD thread) { threadWithoutMemory = thread; }
AllocationFailure::~AllocationFailure() { threadWithoutMemory = 0; }

}  // namespace testing_support
