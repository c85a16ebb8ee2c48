// The process's top-level exception filter: when an exception reaches the top of any
// thread, offers the user to save a minidump, written with DBGHELP.DLL's MiniDumpWriteDump.
#pragma once

#include <string>
#include <windows.h>

namespace parcelon {

class CrashDumpHandler {
public:
    // Installs CrashFilter at once. The home folder (DBGHELP.DLL and the dump go there)
    // is read from `valueName` under `root`\`keyPath` only when a crash happens.
    CrashDumpHandler(const char* appName, HKEY root, const char* keyPath, const char* valueName);
    // Puts back the filter that was replaced, so that the process's filter never points
    // into a module that is no longer loaded.
    ~CrashDumpHandler();
    CrashDumpHandler(const CrashDumpHandler&) = delete;
    CrashDumpHandler& operator=(const CrashDumpHandler&) = delete;

    // EXCEPTION_EXECUTE_HANDLER when a dump was saved, else EXCEPTION_CONTINUE_SEARCH.
    static LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exception);

private:
    LONG HandleCrash(EXCEPTION_POINTERS* exception) const;

    const std::string appName_;
    const HKEY settingsRoot_;
    const std::string settingsKeyPath_;
    const std::string homeValueName_;
    LPTOP_LEVEL_EXCEPTION_FILTER replacedFilter_ = nullptr;
};

}  // namespace parcelon
