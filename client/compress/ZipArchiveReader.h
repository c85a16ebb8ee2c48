// Reads the entries of a finished zip archive and copies chosen ones, still deflated and
// with their names, times and attributes, into a new archive (minizip's raw mode), so a
// packed archive can be cut into parts or thinned without deflating anything again.
#pragma once

#include <cstdint>
#include <string>
#include <unzip.h>
#include <vector>

#include "common/UniqueResource.h"

namespace parcelon {

struct ZipEntryInfo {
    std::string name;  // as stored: "/" separators, UTF-8
    unz64_file_pos position = {};
    unz_file_info64 info = {};

    bool isFolder() const { return !name.empty() && name.back() == '/'; }
    // What the entry takes in an archive of its own kind: local header, data, central header.
    uint64_t ArchiveBytes() const;
};

// What an archive holding nothing takes: its end record.
constexpr uint64_t kEmptyArchiveBytes = 22;

class ZipArchiveReader {
public:
    // Reads the central directory of the archive at the UTF-8 path; false when it is not a
    // readable zip archive.
    bool Open(const std::string& utf8Path);
    const std::vector<ZipEntryInfo>& entries() const { return entries_; }

    // A new archive at `utf8Path` holding the entries at `indexes`, in that order. On
    // failure no file is left there.
    bool CopyEntries(const std::vector<size_t>& indexes, const std::string& utf8Path) const;

private:
    struct Close {
        static void Unz(unzFile file) { unzClose(file); }
    };
    using UniqueUnzFile = UniqueResource<NullIsInvalid<unzFile, &Close::Unz>>;

    bool CopyEntry(void* zip, const ZipEntryInfo& entry) const;

    UniqueUnzFile archive_;
    std::vector<ZipEntryInfo> entries_;
};

}  // namespace parcelon
