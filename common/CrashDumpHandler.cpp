// The crash filter: finds DBGHELP.DLL, asks the user, writes the minidump and tells how it went.
#include "CrashDumpHandler.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dbghelp.h>

#include "RegistrySettings.h"
#include "UniqueResource.h"

namespace parcelon {

namespace {
using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                                PMINIDUMP_EXCEPTION_INFORMATION,
                                                PMINIDUMP_USER_STREAM_INFORMATION,
                                                PMINIDUMP_CALLBACK_INFORMATION);

constexpr const char* kPrompt = "Application exits unexpectedly. Do you want to save a diagnostic file?";
// The dump path and every message fit a buffer of MAX_PATH characters, terminator included.
constexpr size_t kTextCapacity = MAX_PATH;

const CrashDumpHandler* installedHandler = nullptr;

std::string Format(const char* format, ...) {
    char text[kTextCapacity] = {};
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// Without a home folder, a DBGHELP.DLL beside the host's executable is preferred to the
// one on the search path.
HMODULE LoadDbghelp(const std::string* home) {
    if (home) {
        if (HMODULE module = LoadLibraryA((*home + "\\DBGHELP.DLL").c_str())) return module;
    } else {
        char executable[MAX_PATH] = {};
        DWORD length = GetModuleFileNameA(nullptr, executable, MAX_PATH);
        // A path that filled the buffer was cut and names some other folder.
        const char* slash = length > 0 && length < MAX_PATH ? strrchr(executable, '\\') : nullptr;
        if (slash) {
            std::string beside(executable, slash + 1 - executable);
            if (HMODULE module = LoadLibraryA((beside + "DBGHELP.DLL").c_str())) return module;
        }
    }
    return LoadLibraryA("DBGHELP.DLL");
}

MiniDumpWriteDumpFunction FindMiniDumpWriteDump(HMODULE dbghelp) {
    FARPROC found = GetProcAddress(dbghelp, "MiniDumpWriteDump");
    return reinterpret_cast<MiniDumpWriteDumpFunction>(reinterpret_cast<void*>(found));
}

// Ends with a backslash.
std::string TempFolder() {
    char folder[MAX_PATH] = {};
    DWORD length = GetTempPathA(MAX_PATH, folder);
    // A length of MAX_PATH or more is the size the folder would need; nothing was written.
    if (length == 0 || length >= MAX_PATH) return "c:\\temp\\";
    return folder;
}

UniqueFile CreateDumpFile(const std::string& path) {
    if (path.size() >= kTextCapacity) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return UniqueFile();
    }
    return UniqueFile(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Creates the file, writes the dump and closes the file again; `message` says how it went.
bool SaveDump(MiniDumpWriteDumpFunction writeDump, const std::string& path, EXCEPTION_POINTERS* exception,
              std::string& message) {
    UniqueFile file = CreateDumpFile(path);
    if (!file) {
        message = Format("Failed to create dump file '%s' (error %d)", path.c_str(), static_cast<int>(GetLastError()));
        return false;
    }
    MINIDUMP_EXCEPTION_INFORMATION information = {GetCurrentThreadId(), exception, FALSE};
    if (!writeDump(GetCurrentProcess(), GetCurrentProcessId(), file.get(), MiniDumpNormal, &information, nullptr,
                   nullptr)) {
        message = Format("Failed to save dump file to '%s' (error %d)", path.c_str(), static_cast<int>(GetLastError()));
        return false;
    }
    message = Format("Saved dump file to '%s'", path.c_str());
    return true;
}
}  // namespace

CrashDumpHandler::CrashDumpHandler(const char* appName, HKEY root, const char* keyPath, const char* valueName)
    : appName_(appName), settingsRoot_(root), settingsKeyPath_(keyPath), homeValueName_(valueName) {
    installedHandler = this;
    replacedFilter_ = SetUnhandledExceptionFilter(&CrashFilter);
}

CrashDumpHandler::~CrashDumpHandler() {
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(replacedFilter_);
    // A filter installed over this one since stays; it is not ours to remove.
    if (current != &CrashFilter) SetUnhandledExceptionFilter(current);
    if (installedHandler == this) installedHandler = nullptr;
}

LONG WINAPI CrashDumpHandler::CrashFilter(EXCEPTION_POINTERS* exception) {
    const CrashDumpHandler* handler = installedHandler;
    if (!handler) return EXCEPTION_CONTINUE_SEARCH;
    try {
        return handler->HandleCrash(exception);
    } catch (...) {
        // Out of memory while crashing: leave the exception to the system.
        return EXCEPTION_CONTINUE_SEARCH;
    }
}

LONG CrashDumpHandler::HandleCrash(EXCEPTION_POINTERS* exception) const {
    std::string home;
    bool homeKnown = ReadStringFromRegistry(settingsRoot_, settingsKeyPath_.c_str(), homeValueName_.c_str(), home);
    // DBGHELP.DLL stays loaded: the process is on its way out.
    HMODULE dbghelp = LoadDbghelp(homeKnown ? &home : nullptr);
    MiniDumpWriteDumpFunction writeDump = dbghelp ? FindMiniDumpWriteDump(dbghelp) : nullptr;
    std::string message;
    bool saved = false;
    if (!dbghelp) {
        message = "DBGHELP.DLL not found";
    } else if (!writeDump) {
        message = "DBGHELP.DLL too old";
    } else {
        std::string dumpPath = (homeKnown ? home + "\\" : TempFolder()) + appName_ + ".dmp";
        if (MessageBoxA(nullptr, kPrompt, appName_.c_str(), MB_YESNO | MB_ICONERROR) != IDYES)
            return EXCEPTION_CONTINUE_SEARCH;
        saved = SaveDump(writeDump, dumpPath, exception, message);
    }
    MessageBoxA(nullptr, message.c_str(), appName_.c_str(), MB_OK);
    return saved ? EXCEPTION_EXECUTE_HANDLER : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace parcelon
