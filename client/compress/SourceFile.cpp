// A file to pack, opened once.
#include "SourceFile.h"

#include <vector>

#include "PackChunk.h"
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

struct FileStamp {
    DWORD attributes = 0;
    FILETIME lastWrite = {};
    uint64_t size = 0;
};

// Not GetFileInformationByHandle: it also asks for the volume's serial number, which
// under Wine is a round trip to the mount manager's process for every file.
bool ReadStamp(HANDLE file, FileStamp& stamp) {
    FILE_BASIC_INFO basic = {};
    LARGE_INTEGER size = {};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) || !GetFileSizeEx(file, &size))
        return false;
    stamp.attributes = basic.FileAttributes;
    stamp.lastWrite.dwLowDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart);
    stamp.lastWrite.dwHighDateTime = static_cast<DWORD>(basic.LastWriteTime.QuadPart >> 32);
    stamp.size = static_cast<uint64_t>(size.QuadPart);
    return true;
}
}  // namespace

AddFileResult OpenSourceFile(const std::string& path, SourceFile& source) {
    std::wstring fileSystemPath = FileSystemPath(path);
    UniqueFile file(CreateFileW(fileSystemPath.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_READONLY | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return OpenFailure(GetLastError(), fileSystemPath);
    FileStamp stamp;
    if (!ReadStamp(file.get(), stamp)) return AddFileResult::CannotOpen;
    if (stamp.attributes & FILE_ATTRIBUTE_DIRECTORY) return AddFileResult::CannotOpen;
    source.attributes = stamp.attributes;
    source.lastWrite = stamp.lastWrite;
    source.size = stamp.size;
    source.handle = std::make_shared<UniqueFile>(std::move(file));
    return AddFileResult::Added;
}

bool SourceFileChanged(const SourceFile& source) {
    FileStamp now;
    if (!source.handle || !ReadStamp(source.handle->get(), now)) return true;
    return now.size != source.size || CompareFileTime(&now.lastWrite, &source.lastWrite) != 0;
}

bool RestampSourceFile(SourceFile& source) {
    FileStamp now;
    LARGE_INTEGER start = {};
    if (!source.handle || !ReadStamp(source.handle->get(), now) ||
        !SetFilePointerEx(source.handle->get(), start, nullptr, FILE_BEGIN))
        return false;
    source.lastWrite = now.lastWrite;
    source.size = now.size;
    return true;
}

namespace {
bool CopyContent(HANDLE from, HANDLE to) {
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(to, start, nullptr, FILE_BEGIN) || !SetEndOfFile(to)) return false;
    std::vector<char> buffer(kReadBlock);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadOn(from, buffer.data(), kReadBlock, read)) return false;
        if (read == 0) return true;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) return false;
    }
}
}  // namespace

AddFileResult CopySourceFile(const std::string& path, const std::string& copyPath) {
    SourceFile source;
    AddFileResult opened = OpenSourceFile(path, source);
    if (opened != AddFileResult::Added) return opened;
    std::wstring copyFileSystemPath = FileSystemPath(copyPath);
    AddFileResult result = AddFileResult::WriteFailed;
    {
        UniqueFile copy(CreateFileW(copyFileSystemPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!copy) return AddFileResult::WriteFailed;
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (attempt > 0 && !RestampSourceFile(source)) break;
            if (!CopyContent(source.handle->get(), copy.get())) {
                result = AddFileResult::ReadFailed;
                break;
            }
            result = SourceFileChanged(source) ? AddFileResult::Changed : AddFileResult::Added;
            if (result == AddFileResult::Added) {
                // The copy bears the file's time, as an attachment of the file itself would.
                SetFileTime(copy.get(), nullptr, nullptr, &source.lastWrite);
                break;
            }
        }
    }
    if (result != AddFileResult::Added) DeleteFileW(copyFileSystemPath.c_str());
    return result;
}

std::atomic<ReadFileCall> sourceFileRead{&ReadFile};

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD length, DWORD& read) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    read = 0;
    if (sourceFileRead.load()(file, buffer, length, &read, &at)) return true;
    if (GetLastError() == ERROR_HANDLE_EOF) {
        read = 0;
        return true;
    }
    return false;
}

bool ReadOn(HANDLE file, void* buffer, DWORD length, DWORD& read) {
    read = 0;
    return sourceFileRead.load()(file, buffer, length, &read, nullptr) != FALSE;
}

}  // namespace parcelon
