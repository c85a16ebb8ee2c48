// The crash filter: finds DBGHELP.DLL, asks the user, writes the minidump and tells how it went.
#include "CrashDumpHandler.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dbghelp.h>

#include "FileSystemPath.h"
#include "RegistrySettings.h"
#include "SystemFolders.h"
#include "TextConversion.h"
#include "UniqueResource.h"

namespace parcelon {

namespace {
using MiniDumpWriteDumpFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                                PMINIDUMP_EXCEPTION_INFORMATION,
                                                PMINIDUMP_USER_STREAM_INFORMATION,
                                                PMINIDUMP_CALLBACK_INFORMATION);

constexpr const char* kPrompt = "Application exits unexpectedly. Do you want to save a diagnostic file?";

const CrashDumpHandler* installedHandler = nullptr;

// The whole text, however long the path in it.
std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);
    return text;
}

HMODULE LoadLibraryUtf8(const std::string& path) { return LoadLibraryW(WideFromUtf8(path).c_str()); }

int ShowMessage(const std::string& text, const std::string& caption, UINT type) {
    return MessageBoxW(nullptr, WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(), type);
}

// Without a home folder, a DBGHELP.DLL beside the host's executable is preferred to the
// one on the search path.
HMODULE LoadDbghelp(const std::string* home) {
    if (home) {
        if (HMODULE module = LoadLibraryUtf8(*home + "\\DBGHELP.DLL")) return module;
    } else {
        std::string executable = ModulePath(nullptr);
        size_t slash = executable.rfind('\\');
        if (slash != std::string::npos) {
            if (HMODULE module = LoadLibraryUtf8(executable.substr(0, slash + 1) + "DBGHELP.DLL")) return module;
        }
    }
    return LoadLibraryW(L"DBGHELP.DLL");
}

MiniDumpWriteDumpFunction FindMiniDumpWriteDump(HMODULE dbghelp) {
    FARPROC found = GetProcAddress(dbghelp, "MiniDumpWriteDump");
    return reinterpret_cast<MiniDumpWriteDumpFunction>(reinterpret_cast<void*>(found));
}

// Ends with a backslash.
std::string DumpFolderWithoutHome() {
    std::string folder = TemporaryFolder();
    return folder.empty() ? "c:\\temp\\" : folder;
}

UniqueFile CreateDumpFile(const std::string& path) {
    return UniqueFile(CreateFileW(FileSystemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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
    bool homeKnown = ReadPathFromRegistry(settingsRoot_, settingsKeyPath_.c_str(), homeValueName_.c_str(), home);
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
        std::string dumpPath = (homeKnown ? home + "\\" : DumpFolderWithoutHome()) + appName_ + ".dmp";
        if (ShowMessage(kPrompt, appName_, MB_YESNO | MB_ICONERROR) != IDYES)
            return EXCEPTION_CONTINUE_SEARCH;
        saved = SaveDump(writeDump, dumpPath, exception, message);
    }
    ShowMessage(message, appName_, MB_OK);
    return saved ? EXCEPTION_EXECUTE_HANDLER : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace parcelon
