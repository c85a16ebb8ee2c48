// A file to pack, opened once.
#include "SourceFile.h"

#include "ZipArchiveWriter.h"
#include "common/FileSystemPath.h"

namespace parcelon {

namespace {
AddFileResult OpenFailure(DWORD error, const std::wstring& path) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return AddFileResult::Missing;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return AddFileResult::Locked;
        case ERROR_ACCESS_DENIED: {
            // A folder (or a drive) chosen as a file cannot be opened as one either; only
            // on this failure is it worth asking which it was.
            DWORD attributes = GetFileAttributesW(path.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                return AddFileResult::CannotOpen;
            return AddFileResult::NoAccess;
        }
        case ERROR_FILENAME_EXCED_RANGE:
            return AddFileResult::TooLong;
        default:
            return AddFileResult::CannotOpen;
    }
}
}  // namespace

AddFileResult OpenSourceFile(const std::string& path, SourceFile& source) {
    std::wstring fileSystemPath = FileSystemPath(path);
    UniqueFile file(CreateFileW(fileSystemPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_READONLY | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return OpenFailure(GetLastError(), fileSystemPath);
    // Not GetFileInformationByHandle: it also asks for the volume's serial number, which
    // under Wine is a round trip to the mount manager's process for every file.
    FILE_BASIC_INFO basic = {};
    LARGE_INTEGER size = {};
    if (!GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
        !GetFileSizeEx(file.get(), &size))
        return AddFileResult::CannotOpen;
    if (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) return AddFileResult::CannotOpen;
    source.attributes = basic.FileAttributes;
    source.lastWrite.dwLowDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart);
    source.lastWrite.dwHighDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart >> 32);
    source.size = static_cast<uint64_t>(size.QuadPart);
    if (!ZipArchiveWriter::FitsEntryLimit(source.size)) return AddFileResult::TooLarge;
    source.handle = std::make_shared<UniqueFile>(std::move(file));
    return AddFileResult::Added;
}

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD length, DWORD& read) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    read = 0;
    if (ReadFile(file, buffer, length, &read, &at)) return true;
    if (GetLastError() == ERROR_HANDLE_EOF) {
        read = 0;
        return true;
    }
    return false;
}

bool ReadOn(HANDLE file, void* buffer, DWORD length, DWORD& read) {
    read = 0;
    return ReadFile(file, buffer, length, &read, nullptr) != FALSE;
}

}  // namespace parcelon
