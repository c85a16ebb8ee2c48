// Writes one zip archive from files on disk: one entry per file, deflated or, when deflate
// saves too little, stored, named by the file's path below a base folder (or by its bare
// name), with its time and attributes.
// Every path is UTF-8, of any length the file system takes.
#pragma once

#include <cstdint>
#include <string>
#include <windows.h>
#include <zip.h>

#include "ZipEntryName.h"

namespace parcelon {

// Why AddFile did not add a file.
enum class AddFileResult {
    Added,
    NotOpen,         // no archive is open
    Refused,         // the path gives no entry name ("..\" without flat storing, a bare root)
    TooLong,         // an entry name over 65535 bytes, or a path the file system cannot take
    Missing,
    Locked,          // held open by another program
    NoAccess,
    CannotOpen,      // any other reason the source could not be opened (a folder, a device)
    LinkNotFollowed, // a folder that is a link (junction, symbolic link, mount point) or loops back
    ReadFailed,      // reading stopped part way, or ended before the file's size: no entry
    Changed,         // changed while it was read, and again when read once more
    WriteFailed,
    Cancelled,       // the user stopped the packing
};
const char* DescribeAddFileResult(AddFileResult result);

// A source path with where it is read from and the entry name it gets.
struct EntrySource {
    std::string path;      // as given
    std::string resolved;  // read from here
    EncodedEntryName name;
    // The attributes the folder search listed, kept when known: Wine's handle queries
    // leave out the hidden bit it gives names beginning with a dot.
    DWORD listedAttributes = INVALID_FILE_ATTRIBUTES;
    // Why the source is left out before it is opened (a folder that cannot be searched, a
    // path that gives no entry name); Added for a file to pack.
    AddFileResult problem = AddFileResult::Added;
};

class ZipArchiveWriter {
public:
    ZipArchiveWriter() = default;
    ZipArchiveWriter(const char* archivePath, const char* baseFolder, bool append);
    virtual ~ZipArchiveWriter();
    ZipArchiveWriter(const ZipArchiveWriter&) = delete;
    ZipArchiveWriter& operator=(const ZipArchiveWriter&) = delete;

    // baseFolder none: the archive's own folder; empty: names are the paths themselves.
    bool Open(const char* archivePath, const char* baseFolder, bool append);
    // Packs one file (its chunks deflated on the calling thread).
    bool AddFile(const char* path, bool storeFlat);
    bool Close();

    // Where a path is read from and its entry name; Added, or why it gives no entry.
    AddFileResult PrepareEntry(const std::string& path, bool storeFlat, EntrySource& source) const;
    // The same for an entry name given in Windows form (a chosen row's, ChosenNames.h).
    AddFileResult PrepareNamedEntry(const std::string& path, const std::string& entryName, EntrySource& source) const;

    // Writes an entry from data deflated (or, when `stored`, left as they are) elsewhere:
    // begin, write its pieces in order, end with the CRC-32 and the size of the bytes read.
    // `size` is the file's: an entry that may reach 4 GiB gets zip64 sizes, no other.
    AddFileResult BeginRawEntry(const EncodedEntryName& name, const FILETIME& lastWrite, DWORD attributes,
                                bool text, bool stored, uint64_t size);
    bool WriteRaw(const void* data, size_t length);
    bool EndRawEntry(unsigned long crc, uint64_t size);
    // Takes back the entry begun last and not yet ended, as if it had never been begun:
    // what was written of it is overwritten by what follows.
    bool DiscardRawEntry();

    bool isOpen() const { return zip_ != nullptr; }
    const std::string& baseFolder() const { return baseFolder_; }
    size_t entryCount() const { return entries_; }
    AddFileResult lastAddResult() const { return lastAdd_; }

private:

    zipFile zip_ = nullptr;
    std::string baseFolder_;
    size_t entries_ = 0;
    AddFileResult lastAdd_ = AddFileResult::NotOpen;
};

}  // namespace parcelon
