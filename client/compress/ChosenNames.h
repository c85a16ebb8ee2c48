// The names the chosen rows stand under at the archive's top: a folder or a file under its
// own name, a drive root under its volume label ("Drive D" without one), a share's root
// under the share's name. Nothing of the folders above a row reaches the archive, so no
// recipient learns the sender's account or folder layout. Rows whose names meet (ignoring
// case) all arrive: the later ones numbered, "notes (2).txt", "Data (2)".
#pragma once

#include <string>
#include <vector>

#include "client/dialog/FileEntry.h"

namespace parcelon {

struct RenamedRow {
    std::string path;  // the chosen row's
    std::string name;  // what it stands under in the archive
};

struct TopNames {
    std::vector<std::string> names;  // one per row, in row order
    std::vector<RenamedRow> renamed;
};

TopNames ChooseTopNames(const std::vector<FileEntry>& rows);

// Whether the path is a root itself: "D:\" or "\\server\share\".
bool IsRootPath(const std::string& path);

// `insert` put before the name's last extension ("attach (1 of 3).zip"), or after a name
// without one.
std::string BeforeExtension(const std::string& name, const std::string& insert);

// "notes (2).txt" for notes.txt, "Data (2)" for a folder: the number before a file's last
// extension, after a folder's name.
std::string NumberedName(const std::string& name, bool folder, unsigned number);

}  // namespace parcelon
