// Lists the entries of a zip archive held in memory, from its central directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace host {

struct ZipListingEntry {
    std::string name;  // as stored
    uint32_t crc32 = 0;
    uint32_t size = 0;
    uint32_t compressedSize = 0;
    uint16_t flags = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t externalAttributes = 0;
};

// None when the data holds no readable central directory.
std::optional<std::vector<ZipListingEntry>> ListZipEntries(const std::vector<char>& archive);

}  // namespace host
