// Cuts a packed archive into parts that each fit one message: its entries shared out in
// archive (display) order, each file whole, each part a complete zip archive of its own
// named "attach (1 of 3).zip" for attach.zip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ZipArchiveReader.h"

namespace parcelon {

struct SplitPlan {
    std::vector<std::vector<size_t>> parts;  // entry indexes of each part, in order
    std::vector<std::string> tooLarge;       // entries that alone pass the limit; then no parts
};

// Parts of at most `largestPart` bytes each, filled in order.
SplitPlan PlanSplit(const std::vector<ZipEntryInfo>& entries, uint64_t largestPart);

// "attach (2 of 3).zip" for "attach.zip"; the number goes before the last extension.
std::string PartName(const std::string& archiveName, size_t part, size_t count);

// Writes the parts in `folder` (ending with a separator) under their part names; their
// paths in order, or none (and no file left behind) when any part cannot be written or
// comes out larger than `largestPart`.
std::vector<std::string> WriteParts(const ZipArchiveReader& archive, const SplitPlan& plan, const std::string& folder,
                                    const std::string& archiveName, uint64_t largestPart);

}  // namespace parcelon
