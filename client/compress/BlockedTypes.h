// File types that mail systems refuse even inside a zip archive, found among the names of
// a packed archive's entries.
#pragma once

#include <string>
#include <vector>

#include "ZipArchiveReader.h"

namespace parcelon {

// Whether the last part of a "/"-separated name ends with a refused extension, in any
// letter case.
bool IsBlockedType(const std::string& entryName);

// The indexes of the entries of blocked types, in archive order.
std::vector<size_t> BlockedEntries(const std::vector<ZipEntryInfo>& entries);

// Rewrites the archive at `utf8Path` (no reader may hold it open) without the entries at
// `leftOut` (sorted), copying the others as they are; unchanged when that fails.
bool LeaveOutEntries(const std::string& utf8Path, const std::vector<size_t>& leftOut);

}  // namespace parcelon
