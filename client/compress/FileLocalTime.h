// The last-write time of a file as calendar fields.
#pragma once

#include <windows.h>

namespace parcelon {

// Fills `time` (all zero on failure) from a last-write time (UTC), converted to local time
// with the offset in force now.
bool LocalCalendarTime(const FILETIME& written, SYSTEMTIME* time);

// The same for the file at the UTF-8 `path`, converted to local time when `toLocal` is set.
bool GetFileLocalTime(const char* path, SYSTEMTIME* time, bool toLocal);

}  // namespace parcelon
