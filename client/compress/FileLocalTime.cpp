// The last-write time of a file as calendar fields.
#include "FileLocalTime.h"

#include "common/FileSystemPath.h"
#include "common/UniqueResource.h"

namespace parcelon {

bool GetFileLocalTime(const char* path, SYSTEMTIME* time, bool toLocal) {
    *time = SYSTEMTIME{};
    std::wstring fileSystemPath = FileSystemPath(std::string(path));
    if (GetFileAttributesW(fileSystemPath.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle search(FindFirstFileW(fileSystemPath.c_str(), &found));
    if (!search) return false;
    search.reset();
    FILETIME written = found.ftLastWriteTime;
    if (toLocal) {
        FILETIME local = {};
        if (!FileTimeToLocalFileTime(&written, &local)) return false;
        written = local;
    }
    return FileTimeToSystemTime(&written, time) != FALSE;
}

}  // namespace parcelon
