// Writes one zip archive from files on disk.
#include "ZipArchiveWriter.h"

#include <vector>

#include "BufferedArchiveFile.h"
#include "ZipWriterAdditions.h"
#include "FileLocalTime.h"
#include "ParallelPacker.h"
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
        case AddFileResult::LinkNotFollowed: return "link not followed";
        case AddFileResult::ReadFailed: return "could not be read completely";
        case AddFileResult::Changed: return "changed while it was read";
        case AddFileResult::WriteFailed: return "could not be written to the archive";
        case AddFileResult::Cancelled: return "cancelled";
    }
    return "unknown";
}

ZipArchiveWriter::ZipArchiveWriter(const char* archivePath, const char* baseFolder, bool append) {
    if (archivePath) Open(archivePath, baseFolder, append);
}

ZipArchiveWriter::~ZipArchiveWriter() { Close(); }

bool ZipArchiveWriter::Open(const char* archivePath, const char* baseFolder, bool append) {
    Close();
    if (!archivePath || !archivePath[0]) return false;
    std::string full = FullPath(archivePath);
    if (full.empty()) return false;
    std::wstring fileSystemPath = FileSystemPath(full);
    if (append && GetFileAttributesW(fileSystemPath.c_str()) == INVALID_FILE_ATTRIBUTES) append = false;
    // The library's wide Win32 file functions take the archive path in UTF-16.
    zlib_filefunc64_def wideFiles = {};
    FillBufferedWin32FileFunctions(&wideFiles);
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
    lastAdd_ = AddFileResult::Refused;
    if (!path) return false;
    EntrySource source;
    lastAdd_ = PrepareEntry(path, storeFlat, source);
    if (lastAdd_ != AddFileResult::Added) return false;
    PackProgress progress;
    PackSettings oneThread;
    oneThread.workers = 1;
    lastAdd_ = PackEntries(*this, {source}, oneThread, progress).results.front();
    return lastAdd_ == AddFileResult::Added;
}

AddFileResult ZipArchiveWriter::PrepareEntry(const std::string& path, bool storeFlat, EntrySource& source) const {
    std::string resolved = path;
    if (!IsAbsolutePath(path) && !baseFolder_.empty()) resolved = WithTrailingSeparator(baseFolder_) + path;
    std::optional<std::string> name = RelativeEntryName(path, baseFolder_, storeFlat);
    AddFileResult prepared = PrepareNamedEntry(resolved, name.value_or(std::string()), source);
    source.path = path;
    return prepared;
}

AddFileResult ZipArchiveWriter::PrepareNamedEntry(const std::string& path, const std::string& entryName,
                                                  EntrySource& source) const {
    if (!zip_) return AddFileResult::NotOpen;
    source.path = path;
    source.resolved = path;
    if (entryName.empty()) return AddFileResult::Refused;
    if (entryName.size() > kMaxEntryNameBytes) return AddFileResult::TooLong;
    source.name = EncodeEntryName(entryName);
    return AddFileResult::Added;
}

AddFileResult ZipArchiveWriter::BeginRawEntry(const EncodedEntryName& name, const FILETIME& lastWrite,
                                              DWORD attributes, bool text, bool stored, uint64_t size) {
    if (!zip_) return AddFileResult::NotOpen;
    SYSTEMTIME written = {};
    LocalCalendarTime(lastWrite, &written);
    zip_fileinfo info = {};
    info.tmz_date = ZipTime(written);
    info.external_fa = attributes;
    info.internal_fa = text ? 1 : 0;  // what the library sets when its own deflate judged the data text
    int opened = zipOpenNewFileInZip4_64(zip_, name.bytes.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         stored ? 0 : Z_DEFLATED, stored ? 0 : Z_DEFAULT_COMPRESSION, 1,
                                         -MAX_WBITS, DEF_MEM_LEVEL,
                                         Z_DEFAULT_STRATEGY, nullptr, 0, kVersionMadeBy,
                                         name.utf8 ? kUtf8NameFlag : 0, zipEntryNeedsZip64(size));
    if (opened != ZIP_OK) {
        zipCloseFileInZipRaw64(zip_, 0, 0);
        return AddFileResult::WriteFailed;
    }
    ++entries_;
    return AddFileResult::Added;
}

bool ZipArchiveWriter::WriteRaw(const void* data, size_t length) {
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        unsigned piece = static_cast<unsigned>(length > (1u << 30) ? (1u << 30) : length);
        if (zipWriteInFileInZip(zip_, bytes, piece) != ZIP_OK) return false;
        bytes += piece;
        length -= piece;
    }
    return true;
}

bool ZipArchiveWriter::EndRawEntry(unsigned long crc, uint64_t size) {
    return zipCloseFileInZipKeepingHost(zip_, size, crc) == ZIP_OK;
}

bool ZipArchiveWriter::DiscardRawEntry() {
    if (!zip_ || zipDiscardFileInZip(zip_) != ZIP_OK) return false;
    // The library closes after its last record, the end of the central directory; what
    // follows may be shorter than the entry taken back.
    EndArchiveWhereWritingEnds(zipArchiveStream(zip_));
    --entries_;
    return true;
}

bool ZipArchiveWriter::Close() {
    int result = zip_ ? zipCloseArchive(zip_) : ZIP_OK;
    zip_ = nullptr;
    baseFolder_.clear();
    return result == ZIP_OK;
}

}  // namespace parcelon
