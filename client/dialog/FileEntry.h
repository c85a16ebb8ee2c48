// The record behind every row of both dialog lists, and the unit handed to the
// compress-and-attach action.
#pragma once

#include <cstdint>
#include <string>

namespace parcelon {

constexpr uint32_t kFolderAttribute = 0x10;  // FILE_ATTRIBUTE_DIRECTORY

struct FileEntry {
    uint32_t attributes = 0;  // attribute bits as found on disk; drive rows carry 0
    std::string name;         // UTF-8, without folder part
    std::string path;         // UTF-8, full path; a folder's path ends with a backslash
    uint64_t size = 0;        // in bytes
    uint64_t modified = 0;    // last write, 100 ns since 1601-01-01 UTC

    bool isFolder() const { return (attributes & kFolderAttribute) != 0; }
};

}  // namespace parcelon
