// Turns one path dropped from the shell into a chosen-list record.
#include "DroppedEntry.h"

#include <mbstring.h>
#include <windows.h>

#include "common/UniqueResource.h"

namespace parcelon {

std::optional<FileEntry> MakeDroppedEntry(std::string path) {
    if (path.empty() || path.size() > MAX_PATH - 1) {
        SetLastError(path.empty() ? ERROR_INVALID_NAME : ERROR_FILENAME_EXCED_RANGE);
        return std::nullopt;
    }
    const unsigned char* text = reinterpret_cast<const unsigned char*>(path.c_str());
    const unsigned char* slash = _mbsrchr(text, '\\');
    std::string name = slash ? std::string(reinterpret_cast<const char*>(slash + 1)) : path;

    // An unreadable path has every attribute bit set and so counts as a folder.
    DWORD attributes = GetFileAttributesA(path.c_str());
    UniqueFile handle;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        handle.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!handle) return std::nullopt;
        if (_mbsrchr(text, '\\') != text + path.size() - 1) path += '\\';
    } else {
        handle.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) return std::nullopt;
    }

    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
    FileEntry entry;
    entry.attributes = info.dwFileAttributes;
    entry.modified = (uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    entry.size = info.nFileSizeLow;
    entry.name = std::move(name);
    entry.path = std::move(path);
    return entry;
}

}  // namespace parcelon
