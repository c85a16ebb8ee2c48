// Writes one zip archive from files on disk.
#include "ZipArchiveWriter.h"

#include <iowin32.h>
#include <vector>

#include "FileLocalTime.h"
#include "ZipEntryName.h"
#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

namespace parcelon {

namespace {
constexpr uLong kUtf8NameFlag = 1 << 11;
// Host NTFS, format version 2.0. Under the default MS-DOS host, Info-ZIP's unzip reads every
// name as code page 437, even one flagged as UTF-8.
constexpr uLong kVersionMadeBy = (11 << 8) | 20;

// The absolute form of a UTF-8 path, as a user would write it.
std::string FullPath(const char* path) { return Utf8FromWide(DisplayPath(FileSystemPath(std::string(path)))); }

// The drive and folder part, up to and with the last separator (C:\attach.zip gives C:\).
std::string FolderOf(const std::string& path) {
    size_t last = path.find_last_of("\\/");
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

std::string WithTrailingSeparator(std::string folder) {
    char last = folder.back();
    if (last != '\\' && last != '/') folder += '\\';
    return folder;
}

// DOS dates cover 1980 to 2107; the library does not clamp, so a time outside would
// spill into other fields.
tm_zip ZipTime(const SYSTEMTIME& t) {
    tm_zip z = {t.wSecond, t.wMinute, t.wHour, t.wDay, static_cast<uInt>(t.wMonth - 1), t.wYear};
    if (t.wYear == 0) return z;  // no time could be read: stored as DOS date 0
    if (t.wYear < 1980) z = {0, 0, 0, 1, 0, 1980};
    if (t.wYear > 2107) z = {58, 59, 23, 31, 11, 2107};
    return z;
}

AddFileResult OpenFailure(DWORD error) {
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
        case ERROR_ACCESS_DENIED:
            return AddFileResult::NoAccess;
        case ERROR_FILENAME_EXCED_RANGE:
            return AddFileResult::TooLong;
        default:
            return AddFileResult::CannotOpen;
    }
}
}  // namespace

const char* DescribeAddFileResult(AddFileResult result) {
    switch (result) {
        case AddFileResult::Added: return "added";
        case AddFileResult::NotOpen: return "no archive is open";
        case AddFileResult::Refused: return "path gives no entry name";
        case AddFileResult::TooLong: return "path too long";
        case AddFileResult::Missing: return "missing";
        case AddFileResult::Locked: return "locked by another program";
        case AddFileResult::NoAccess: return "no access";
        case AddFileResult::CannotOpen: return "cannot be opened";
        case AddFileResult::TooLarge: return "too large (4 GiB or more)";
        case AddFileResult::TooManyEntries: return "too many entries (65535 at most)";
        case AddFileResult::ReadFailed: return "could not be read completely";
        case AddFileResult::WriteFailed: return "could not be written to the archive";
    }
    return "unknown";
}

ZipArchiveWriter::ZipArchiveWriter(const char* archivePath, const char* baseFolder, bool append) {
    if (archivePath) Open(archivePath, baseFolder, append);
}

ZipArchiveWriter::~ZipArchiveWriter() { Close(); }

bool ZipArchiveWriter::FitsEntryLimit(unsigned long long size) {
    // Deflate's worst-case growth (zlib's deflateBound for raw streams), with room to spare.
    unsigned long long bound = size + (size >> 12) + (size >> 14) + (size >> 25) + 64;
    return bound < 0xFFFFFFFFull;
}

bool ZipArchiveWriter::Open(const char* archivePath, const char* baseFolder, bool append) {
    Close();
    if (!archivePath || !archivePath[0]) return false;
    std::string full = FullPath(archivePath);
    if (full.empty()) return false;
    std::wstring fileSystemPath = FileSystemPath(full);
    if (append && GetFileAttributesW(fileSystemPath.c_str()) == INVALID_FILE_ATTRIBUTES) append = false;
    // The library's wide Win32 file functions take the archive path in UTF-16.
    zlib_filefunc64_def wideFiles = {};
    fill_win32_filefunc64W(&wideFiles);
    zip_ = zipOpen2_64(fileSystemPath.c_str(), append ? APPEND_STATUS_ADDINZIP : APPEND_STATUS_CREATE, nullptr,
                       &wideFiles);
    if (!zip_) return false;
    if (!baseFolder)
        baseFolder_ = FolderOf(full);
    else if (baseFolder[0])
        baseFolder_ = WithTrailingSeparator(baseFolder);
    entries_ = 0;
    return true;
}

bool ZipArchiveWriter::AddFile(const char* path, bool storeFlat) {
    lastAdd_ = path ? Add(path, storeFlat) : AddFileResult::Refused;
    return lastAdd_ == AddFileResult::Added;
}

AddFileResult ZipArchiveWriter::Add(const std::string& path, bool storeFlat) {
    if (!zip_) return AddFileResult::NotOpen;
    std::string resolved = path;
    if (!IsAbsolutePath(path) && !baseFolder_.empty()) resolved = WithTrailingSeparator(baseFolder_) + path;
    std::optional<std::string> name = RelativeEntryName(path, baseFolder_, storeFlat);
    if (!name) return AddFileResult::Refused;
    if (name->size() > kMaxEntryNameBytes) return AddFileResult::TooLong;
    if (entries_ >= kMaxEntries) return AddFileResult::TooManyEntries;

    SYSTEMTIME written;
    GetFileLocalTime(resolved.c_str(), &written, true);
    zip_fileinfo info = {};
    info.tmz_date = ZipTime(written);
    std::wstring fileSystemPath = FileSystemPath(resolved);
    info.external_fa = GetFileAttributesW(fileSystemPath.c_str());

    if (info.external_fa != INVALID_FILE_ATTRIBUTES && (info.external_fa & FILE_ATTRIBUTE_DIRECTORY))
        return AddFileResult::CannotOpen;  // a folder or a drive, chosen as a file
    UniqueFile source(CreateFileW(fileSystemPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_READONLY, nullptr));
    if (!source) return OpenFailure(GetLastError());
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(source.get(), &size)) return AddFileResult::CannotOpen;
    if (!FitsEntryLimit(static_cast<unsigned long long>(size.QuadPart))) return AddFileResult::TooLarge;

    EncodedEntryName entryName = EncodeEntryName(*name);
    int opened = zipOpenNewFileInZip4_64(zip_, entryName.bytes.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                         Z_DEFAULT_STRATEGY, nullptr, 0, kVersionMadeBy,
                                         entryName.utf8 ? kUtf8NameFlag : 0, 0);
    AddFileResult result = opened == ZIP_OK ? CopyIntoEntry(source.get()) : AddFileResult::WriteFailed;
    int closed = zipCloseFileInZip(zip_);
    if (opened == ZIP_OK) ++entries_;
    if (result == AddFileResult::Added && closed != ZIP_OK) result = AddFileResult::WriteFailed;
    return result;
}

AddFileResult ZipArchiveWriter::CopyIntoEntry(HANDLE source) {
    std::vector<char> chunk(kReadChunk);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, chunk.data(), kReadChunk, &read, nullptr)) return AddFileResult::ReadFailed;
        if (read == 0) return AddFileResult::Added;
        if (zipWriteInFileInZip(zip_, chunk.data(), read) != ZIP_OK) return AddFileResult::WriteFailed;
    }
}

bool ZipArchiveWriter::Close() {
    int result = zip_ ? zipClose(zip_, nullptr) : ZIP_OK;
    zip_ = nullptr;
    baseFolder_.clear();
    return result == ZIP_OK;
}

}  // namespace parcelon
