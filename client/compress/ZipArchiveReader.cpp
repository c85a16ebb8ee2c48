// Reads a finished zip archive and copies its entries raw into new ones.
#include "ZipArchiveReader.h"

#include <vector>
#include <zip.h>

#include "BufferedArchiveFile.h"
#include "ZipWriterAdditions.h"
#include "common/FileSystemPath.h"

namespace parcelon {

namespace {
constexpr uLong kHeaderFlagsKept = 1 << 11;  // UTF-8 names; the level bits follow the method
constexpr size_t kCopyBlock = 1 << 20;

struct ZipCloser {
    static void Close(zipFile file) { zipCloseArchive(file); }
};
using UniqueZipFile = UniqueResource<NullIsInvalid<zipFile, &ZipCloser::Close>>;

// Closes the entry opened for reading however the copy ends.
struct OpenEntry {
    unzFile file;
    ~OpenEntry() { unzCloseCurrentFile(file); }
};
}  // namespace

uint64_t ZipEntryInfo::ArchiveBytes() const {
    // An entry that may reach 4 GiB carries its sizes again in zip64 fields: 20 bytes in its
    // local header, at most 28 in its central one.
    uint64_t zip64 = zipEntryNeedsZip64(info.uncompressed_size) ? 20 + 28 : 0;
    return 30 + 46 + 2 * name.size() + zip64 + info.compressed_size;
}

bool ZipArchiveReader::Open(const std::string& utf8Path) {
    entries_.clear();
    zlib_filefunc64_def files = {};
    FillBufferedWin32FileFunctions(&files, kArchiveReadAheadBytes);
    archive_.reset(unzOpen2_64(FileSystemPath(utf8Path).c_str(), &files));
    if (!archive_) return false;
    for (int at = unzGoToFirstFile(archive_.get()); at == UNZ_OK; at = unzGoToNextFile(archive_.get())) {
        ZipEntryInfo entry;
        if (unzGetCurrentFileInfo64(archive_.get(), &entry.info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        entry.name.resize(entry.info.size_filename);
        if (unzGetCurrentFileInfo64(archive_.get(), &entry.info, &entry.name[0], entry.info.size_filename, nullptr,
                                    0, nullptr, 0) != UNZ_OK ||
            unzGetFilePos64(archive_.get(), &entry.position) != UNZ_OK)
            return false;
        entries_.push_back(std::move(entry));
    }
    unz_global_info64 global = {};
    return unzGetGlobalInfo64(archive_.get(), &global) == UNZ_OK && global.number_entry == entries_.size();
}

bool ZipArchiveReader::CopyEntry(void* zip, const ZipEntryInfo& entry) const {
    unzFile source = archive_.get();
    int method = 0, level = 0;
    if (unzGoToFilePos64(source, &entry.position) != UNZ_OK ||
        unzOpenCurrentFile2(source, &method, &level, 1) != UNZ_OK)
        return false;
    OpenEntry reading{source};
    zip_fileinfo info = {};
    info.dosDate = entry.info.dosDate;
    info.internal_fa = entry.info.internal_fa;
    info.external_fa = entry.info.external_fa;
    if (zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, level, 1,
                                -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, entry.info.version,
                                entry.info.flag & kHeaderFlagsKept,
                                zipEntryNeedsZip64(entry.info.uncompressed_size)) != ZIP_OK)
        return false;
    std::vector<char> block(kCopyBlock);
    uint64_t copied = 0;
    for (;;) {
        int read = unzReadCurrentFile(source, block.data(), static_cast<unsigned>(block.size()));
        if (read < 0) return false;
        if (read == 0) break;
        if (zipWriteInFileInZip(zip, block.data(), static_cast<unsigned>(read)) != ZIP_OK) return false;
        copied += static_cast<uint64_t>(read);
    }
    return copied == entry.info.compressed_size &&
           zipCloseFileInZipKeepingHost(zip, entry.info.uncompressed_size, entry.info.crc) == ZIP_OK;
}

bool ZipArchiveReader::CopyEntries(const std::vector<size_t>& indexes, const std::string& utf8Path) const {
    std::wstring path = FileSystemPath(utf8Path);
    zlib_filefunc64_def bufferedFiles = {};
    FillBufferedWin32FileFunctions(&bufferedFiles);
    UniqueZipFile zip(zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &bufferedFiles));
    bool copied = archive_ && zip;
    for (size_t i = 0; copied && i < indexes.size(); ++i)
        copied = indexes[i] < entries_.size() && CopyEntry(zip.get(), entries_[indexes[i]]);
    if (zip) copied = zipCloseArchive(zip.release()) == ZIP_OK && copied;
    if (!copied) DeleteFileW(path.c_str());
    return copied;
}

}  // namespace parcelon
