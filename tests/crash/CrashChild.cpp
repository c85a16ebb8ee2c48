// Test helper standing in for the host: loads Parcelon.dll (path in argv[1]) and then lets
// an access violation go unhandled on a thread of its own.
#include <windows.h>

#include "common/UniqueResource.h"

namespace {
DWORD WINAPI WriteThroughNull(void*) {
    // Volatile pointer and pointee, so that the compiler emits the store as written.
    volatile int* volatile target = nullptr;
    *target = 1;
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    // After Parcelon's filter, end the process instead of starting the system's debugger.
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    parcelon::UniqueLibrary addin(LoadLibraryA(argv[1]));
    if (!addin) return 3;
    parcelon::UniqueHandle thread(CreateThread(nullptr, 0, WriteThroughNull, nullptr, 0, nullptr));
    if (!thread) return 4;
    WaitForSingleObject(thread.get(), INFINITE);
    return 0;
}
