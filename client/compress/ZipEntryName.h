// How a source path becomes a zip entry name: below the base folder or the path's own
// root, "/" as separator, UTF-8 (with the format's flag) when it is not plain ASCII.
#pragma once

#include <optional>
#include <string>

namespace parcelon {

// The format keeps a name's length in 16 bits.
constexpr size_t kMaxEntryNameBytes = 0xFFFF;

// Length of the root of an absolute UTF-8 path: "C:\" is 3, "C:" 2, "\\server\share\" up
// to and with the backslash after the share; 0 for a relative path.
size_t PathRootLength(const std::string& path);
bool IsAbsolutePath(const std::string& path);

// The entry name in Windows form (backslashes), or none when the path is refused. The base
// folder matches without regard to letter case; the name keeps the path's own case.
std::optional<std::string> RelativeEntryName(const std::string& path, const std::string& baseFolder,
                                             bool storeFlat);

struct EncodedEntryName {
    std::string bytes;  // as stored in the archive
    bool utf8 = false;  // general purpose bit 11
};
EncodedEntryName EncodeEntryName(const std::string& utf8Name);

}  // namespace parcelon
