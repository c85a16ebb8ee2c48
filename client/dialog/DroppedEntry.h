// Turns one path dropped from the shell into a chosen-list record.
#pragma once

#include <optional>
#include <string>

#include "FileEntry.h"

namespace parcelon {

// The record for a dropped path, or none (with the thread's last error set) when it is
// longer than 259 characters or cannot be opened or read. A folder's path gets a
// trailing backslash.
std::optional<FileEntry> MakeDroppedEntry(std::string path);

}  // namespace parcelon
