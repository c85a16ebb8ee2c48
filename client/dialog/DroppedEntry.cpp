// Turns the paths dropped from the shell into chosen-list records.
#include "DroppedEntry.h"

#include <windows.h>

#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

namespace parcelon {

std::vector<std::string> DroppedPaths(HDROP drop) {
    std::vector<std::string> paths;
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        UINT copied = DragQueryFileW(drop, i, &path[0], length + 1);
        path.resize(copied);
        paths.push_back(Utf8FromWide(path));
    }
    return paths;
}

namespace {
FileEntry MakeEntry(DWORD attributes, const FILETIME& lastWrite, DWORD sizeHigh, DWORD sizeLow, std::string& name,
                    std::string& path) {
    FileEntry entry;
    entry.attributes = attributes;
    entry.modified = (uint64_t(lastWrite.dwHighDateTime) << 32) | lastWrite.dwLowDateTime;
    entry.size = (uint64_t(sizeHigh) << 32) | sizeLow;
    entry.name = std::move(name);
    entry.path = std::move(path);
    return entry;
}

std::optional<FileEntry> ListedEntry(const std::wstring& fileSystemPath, std::string& name, std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA listed = {};
    if (!GetFileAttributesExW(fileSystemPath.c_str(), GetFileExInfoStandard, &listed)) return std::nullopt;
    return MakeEntry(listed.dwFileAttributes, listed.ftLastWriteTime, listed.nFileSizeHigh, listed.nFileSizeLow, name,
                     path);
}
}  // namespace

std::optional<FileEntry> MakeDroppedEntry(std::string path) {
    size_t units = WideFromUtf8(path).size();
    if (units == 0 || units > kMaxFileSystemPathUnits) {
        SetLastError(units == 0 ? ERROR_INVALID_NAME : ERROR_FILENAME_EXCED_RANGE);
        return std::nullopt;
    }
    size_t slash = path.rfind('\\');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    // An unreadable path has every attribute bit set and so counts as a folder.
    std::wstring fileSystemPath = FileSystemPath(path);
    DWORD attributes = GetFileAttributesW(fileSystemPath.c_str());
    UniqueFile handle;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        handle.reset(CreateFileW(fileSystemPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!handle) return std::nullopt;
        if (path.back() != '\\') path += '\\';
    } else {
        // Shared as the packing opens it: a document open in Word or Excel is taken.
        handle.reset(CreateFileW(fileSystemPath.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        // A file held with no sharing at all still gets its row from its folder's listing;
        // the packing then reports it as locked.
        if (!handle && GetLastError() == ERROR_SHARING_VIOLATION) return ListedEntry(fileSystemPath, name, path);
        if (!handle) return std::nullopt;
    }

    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
    return MakeEntry(info.dwFileAttributes, info.ftLastWriteTime, info.nFileSizeHigh, info.nFileSizeLow, name, path);
}

}  // namespace parcelon
