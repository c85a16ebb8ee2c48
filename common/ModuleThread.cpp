// A thread that keeps its module loaded while it runs.
#include "ModuleThread.h"

#include <exception>
#include <memory>
#include <windows.h>

#include "DiagnosticLog.h"

namespace parcelon {

namespace {
struct ThreadStart {
    std::function<void()> work;
    HMODULE module;
};

DWORD WINAPI RunModuleThread(void* parameter) {
    HMODULE module = nullptr;
    {
        std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
        module = start->module;
        try {
            start->work();
        } catch (const std::exception& error) {
            PARCELON_LOG_ERROR("A background thread stopped: %s", error.what());
        } catch (...) {
            PARCELON_LOG_ERROR("A background thread stopped on an unknown exception");
        }
    }
    FreeLibraryAndExitThread(module, 0);
}
}  // namespace

HMODULE ThisModule() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&RunModuleThread), &self);
    return self;
}

UniqueHandle StartModuleThread(std::function<void()> work) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&RunModuleThread),
                            &self))
        return UniqueHandle();
    UniqueLibrary moduleHeld(self);
    auto start = std::make_unique<ThreadStart>(ThreadStart{std::move(work), self});
    UniqueHandle thread(CreateThread(nullptr, 0, RunModuleThread, start.get(), 0, nullptr));
    if (!thread) return thread;
    start.release();
    moduleHeld.release();
    return thread;
}

}  // namespace parcelon
