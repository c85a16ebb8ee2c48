// Process-wide log of failed Windows calls.
#include "DiagnosticLog.h"

#include <cstdarg>
#include <cstring>
#include <ctime>
#include <share.h>
#include <string>

#include "FileSystemPath.h"
#include "RegistrySettings.h"
#include "SystemFolders.h"
#include "TextConversion.h"

namespace parcelon {

namespace {
// How long a report waits for the one before it: a line takes far less, and a reporter
// that never gave its turn back holds up no other for longer.
constexpr DWORD kReportTurnWaitMs = 10;
}  // namespace

DiagnosticLog::DiagnosticLog() : event_(CreateEventA(nullptr, FALSE, TRUE, nullptr)) {}

DiagnosticLog::~DiagnosticLog() {
    std::lock_guard<SlimLock> guard(lock_);
    if (stream_) fclose(stream_);
    stream_ = nullptr;  // a late report (from the crash filter) must not reach the closed stream
    logLevel_ = 0;
}

void DiagnosticLog::WaitForReport() const {
    DWORD lastError = GetLastError();
    WaitForSingleObject(event_.get(), kReportTurnWaitMs);
    SetLastError(lastError);
}

void DiagnosticLog::SetReportLocation(const char* sourcePath, int line) {
    const char* name = sourcePath ? sourcePath : "";
    // The cross compiler gives __FILE__ with forward slashes.
    for (const char* c = name; *c; ++c)
        if (*c == '\\' || *c == '/') name = c + 1;
    std::lock_guard<SlimLock> guard(lock_);
    lstrcpynA(locationFile_, name, MAX_PATH);
    locationLine_ = line;
}

void DiagnosticLog::LogError(const char* format, ...) {
    std::unique_lock<SlimLock> guard(lock_);
    if (!settingsRead_) AttachFromSettingsLocked();
    if (logLevel_ >= 1 && logLevel_ <= 3) {
        DWORD lastError = GetLastError();
        char text[1025] = {};
        va_list args;
        va_start(args, format);
        wvsprintfA(text, format, args);
        va_end(args);
        for (char& c : text)
            if (c == '\r' || c == '\n') c = '|';
        WriteLogLineLocked("Error", text);
        SetLastError(lastError);
    }
    guard.unlock();
    SetEvent(event_.get());
}

void DiagnosticLog::WriteLogLine(const char* kind, const char* text) {
    std::lock_guard<SlimLock> guard(lock_);
    WriteLogLineLocked(kind, text);
}

void DiagnosticLog::WriteLogLineLocked(const char* kind, const char* text) {
    if (!stream_) return;
    char stamp[24] = {};
    time_t now = time(nullptr);
    if (const tm* local = localtime(&now)) strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", local);
    // Made whole first and written in one call (the stream is unbuffered), on the stack:
    // the crash filter reports from a process whose heap may be broken.
    char line[sizeof locationFile_ + 1200];
    int length = logLevel_ == 3 ? snprintf(line, sizeof line, "%s\t%s\t%s, %d\t%s\r\n", stamp, kind, locationFile_,
                                           locationLine_, text)
                                : snprintf(line, sizeof line, "%s\t%s\t%s\r\n", stamp, kind, text);
    if (length < 0) return;
    if (static_cast<size_t>(length) >= sizeof line) {
        length = sizeof line - 1;
        line[length - 2] = '\r';
        line[length - 1] = '\n';
    }
    fwrite(line, 1, static_cast<size_t>(length), stream_);
}

void DiagnosticLog::Attach(FILE* stream, int level) {
    std::lock_guard<SlimLock> guard(lock_);
    if (stream_) fclose(stream_);
    stream_ = stream;
    logLevel_ = level;
    settingsRead_ = true;
}

void DiagnosticLog::AttachFromSettings() {
    std::lock_guard<SlimLock> guard(lock_);
    if (!settingsRead_) AttachFromSettingsLocked();
}

void DiagnosticLog::AttachFromSettingsLocked() {
    settingsRead_ = true;
    DWORD lastError = GetLastError();
    // Read directly: the registry helpers report their failures to this log, and a
    // missing key is the usual case here, not an error.
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, WideFromUtf8(kSettingsKey).c_str(), 0, KEY_READ, key.put()) ==
        ERROR_SUCCESS) {
        std::string path;
        DWORD type = 0, level = 0, levelSize = sizeof level;
        bool havePath = QueryTextValue(key.get(), kLogFileValue, path) == ERROR_SUCCESS && !path.empty();
        bool haveLevel = RegQueryValueExW(key.get(), WideFromUtf8(kLogLevelValue).c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(&level), &levelSize) == ERROR_SUCCESS &&
                         type == REG_DWORD;
        if (havePath && haveLevel) {
            // Unbuffered, so a crash of the host loses no line; others may read it meanwhile.
            std::wstring file = FileSystemPath(ExpandEnvironmentText(path));
            if (FILE* stream = _wfsopen(file.c_str(), L"ab", _SH_DENYNO)) {
                setvbuf(stream, nullptr, _IONBF, 0);
                stream_ = stream;
                logLevel_ = static_cast<int>(level);
            }
        }
    }
    SetLastError(lastError);
}

}  // namespace parcelon
