// The last-write time of a file as calendar fields.
#include "FileLocalTime.h"

#include "common/FileSystemPath.h"

namespace parcelon {

bool LocalCalendarTime(const FILETIME& written, SYSTEMTIME* time) {
    *time = SYSTEMTIME{};
    FILETIME local = {};
    return FileTimeToLocalFileTime(&written, &local) && FileTimeToSystemTime(&local, time);
}

bool GetFileLocalTime(const char* path, SYSTEMTIME* time, bool toLocal) {
    *time = SYSTEMTIME{};
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(FileSystemPath(std::string(path)).c_str(), GetFileExInfoStandard, &data)) return false;
    if (toLocal) return LocalCalendarTime(data.ftLastWriteTime, time);
    return FileTimeToSystemTime(&data.ftLastWriteTime, time) != FALSE;
}

}  // namespace parcelon
