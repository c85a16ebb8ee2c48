// The last-write time of a file as calendar fields.
#pragma once

#include <windows.h>

namespace parcelon {

// Fills `time` (all zero on failure) from the last write of the file at the UTF-8 `path`,
// converted to local time with the offset in force now when `toLocal` is set.
bool GetFileLocalTime(const char* path, SYSTEMTIME* time, bool toLocal);

}  // namespace parcelon
