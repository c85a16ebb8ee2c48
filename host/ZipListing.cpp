// Lists the entries of a zip archive held in memory, from its central directory.
#include "ZipListing.h"

namespace host {

namespace {
uint32_t Read(const std::vector<char>& d, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d[at + i]);
    return v;
}
}  // namespace

std::optional<std::vector<ZipListingEntry>> ListZipEntries(const std::vector<char>& archive) {
    const size_t eocdSize = 22;
    if (archive.size() < eocdSize) return std::nullopt;
    // The end record has no comment in our archives, but look back over one anyway.
    size_t eocd = std::string::npos;
    size_t lowest = archive.size() > eocdSize + 0xFFFF ? archive.size() - eocdSize - 0xFFFF : 0;
    for (size_t at = archive.size() - eocdSize + 1; at-- > lowest;)
        if (Read(archive, at, 4) == 0x06054b50) {
            eocd = at;
            break;
        }
    if (eocd == std::string::npos) return std::nullopt;
    size_t count = Read(archive, eocd + 10, 2);
    size_t at = Read(archive, eocd + 16, 4);
    std::vector<ZipListingEntry> entries;
    for (size_t i = 0; i < count; ++i) {
        if (at + 46 > archive.size() || Read(archive, at, 4) != 0x02014b50) return std::nullopt;
        size_t nameLength = Read(archive, at + 28, 2);
        size_t extraLength = Read(archive, at + 30, 2);
        size_t commentLength = Read(archive, at + 32, 2);
        if (at + 46 + nameLength > archive.size()) return std::nullopt;
        ZipListingEntry e;
        e.flags = static_cast<uint16_t>(Read(archive, at + 8, 2));
        e.dosTime = static_cast<uint16_t>(Read(archive, at + 12, 2));
        e.dosDate = static_cast<uint16_t>(Read(archive, at + 14, 2));
        e.externalAttributes = Read(archive, at + 38, 4);
        e.compressedSize = Read(archive, at + 20, 4);
        e.size = Read(archive, at + 24, 4);
        e.crc32 = Read(archive, at + 16, 4);
        e.name.assign(&archive[at + 46], nameLength);
        entries.push_back(e);
        at += 46 + nameLength + extraLength + commentLength;
    }
    return entries;
}

}  // namespace host
