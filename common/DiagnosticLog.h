// Process-wide log of failed Windows calls: time-stamped, tab-separated lines to an
// attached stream. A stream and level can be attached through the registry values
// "Log File" and "Log Level" under HKCU\Software\Kestrelbay\Parcelon. The packing
// workers report from threads of their own: one lock keeps the set-up single and each
// line whole.
#pragma once

#include <cstdio>
#include <windows.h>

#include "SlimLock.h"
#include "UniqueResource.h"

namespace parcelon {

class DiagnosticLog {
public:
    static constexpr const char* kSettingsKey = "Software\\Kestrelbay\\Parcelon";
    static constexpr const char* kLogFileValue = "Log File";
    static constexpr const char* kLogLevelValue = "Log Level";

    DiagnosticLog();
    ~DiagnosticLog();
    DiagnosticLog(const DiagnosticLog&) = delete;
    DiagnosticLog& operator=(const DiagnosticLog&) = delete;

    // Reporting protocol: WaitForReport, SetReportLocation, LogError. WaitForReport takes
    // the turn (for a short while at most), LogError gives it back.
    void WaitForReport() const;
    void SetReportLocation(const char* sourcePath, int line);
    // Formatted by wvsprintfA, which knows no size modifiers such as %zu or %lld: one of those
    // takes no argument and the next conversion reads the wrong one.
    void LogError(const char* format, ...) __attribute__((format(ms_printf, 2, 3)));
    void WriteLogLine(const char* kind, const char* text);

    // Takes ownership of the stream (closed with fclose); level 1-3 records errors.
    void Attach(FILE* stream, int level);
    // Reads the log settings from the registry once, on the first report.
    void AttachFromSettings();

    int level() const { return logLevel_; }
    HANDLE event() const { return event_.get(); }

private:
    void AttachFromSettingsLocked();
    void WriteLogLineLocked(const char* kind, const char* text);

    UniqueHandle event_;  // auto-reset: signalled while no report is under way
    mutable SlimLock lock_;  // over everything below
    FILE* stream_ = nullptr;
    int logLevel_ = 0;
    char locationFile_[MAX_PATH] = {};
    int locationLine_ = 0;
    bool settingsRead_ = false;
};

extern DiagnosticLog diagnosticLog;

}  // namespace parcelon

// A reporting site: waits for the previous report, records this file and line, logs.
#define PARCELON_LOG_ERROR_TO(log, ...)                 \
    do {                                                \
        (log).WaitForReport();                          \
        (log).SetReportLocation(__FILE__, __LINE__);    \
        (log).LogError(__VA_ARGS__);                    \
    } while (0)
#define PARCELON_LOG_ERROR(...) PARCELON_LOG_ERROR_TO(::parcelon::diagnosticLog, __VA_ARGS__)
