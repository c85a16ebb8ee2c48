// The last-write time of a file as calendar fields.
#pragma once

#include <windows.h>

namespace parcelon {

// Fills `time` (all zero on failure) from the file's last write, converted to local time
// with the offset in force now when `toLocal` is set.
bool GetFileLocalTime(const char* path, SYSTEMTIME* time, bool toLocal);

}  // namespace parcelon
