// The order of rows in both dialog lists: ".." before a nameless row, drives last,
// folders before files, then by one key.
#pragma once

#include <windows.h>
#include <string>

#include "FileEntry.h"

namespace parcelon {

enum class SortKey { Name, Size, Modified };

// Negative when `a` comes first, positive when `b` does, 0 when neither.
int CompareEntries(const FileEntry& a, const FileEntry& b, SortKey key);
// The same for two rows' item data, as a list sort hands them over; 0 when one is missing.
int CompareItemData(LPARAM a, LPARAM b, SortKey key) noexcept;
// Case-insensitive, character by character.
int CompareNames(const std::string& a, const std::string& b);
// A drive row's name has a colon as its second character ("C:\").
bool IsDriveRow(const FileEntry& entry);

}  // namespace parcelon
