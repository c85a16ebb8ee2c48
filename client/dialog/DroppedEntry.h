// Turns the paths dropped from the shell into chosen-list records.
#pragma once

#include <optional>
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>

#include "FileEntry.h"

namespace parcelon {

// Every path of a drop, in drop order, as UTF-8 and whatever its length.
std::vector<std::string> DroppedPaths(HDROP drop);

// The record for a dropped UTF-8 path, or none (with the thread's last error set) when it
// is empty, longer than the file system allows, or cannot be opened or read. A folder's
// path gets a trailing backslash.
std::optional<FileEntry> MakeDroppedEntry(std::string path);

}  // namespace parcelon
