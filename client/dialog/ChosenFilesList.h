// The "Attached Files:" list: the files and folders the user chose, by "Add" from the
// folder browser or dropped from the shell; "Remove" and column clicks; the rows handed
// over on OK.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <vector>

#include "FileEntry.h"

namespace parcelon {

void InsertChosenColumns(HWND list);
// True when some row's path equals the entry's, byte for byte.
bool IsAlreadyChosen(HWND list, const FileEntry& entry);
// Inserts a copy of `entry` at `index` unless its path is already chosen.
void AddChosenEntry(HWND list, int index, const FileEntry& entry);
// Appends every selected browser row, then sorts by name.
void AddSelectedFromBrowser(HWND chosenList, HWND browserList);
void RemoveSelectedEntries(HWND list);
// Appends a row for every dropped path that can be opened, in drop order.
void AddDroppedFiles(HWND list, HDROP drop);
int CALLBACK CompareChosenEntries(LPARAM a, LPARAM b, LPARAM column);

// Puts the drop-handling procedure in front of the list's own, and takes it away again.
bool InstallDropHandler(HWND list);
void RemoveDropHandler(HWND list);

// The rows' records in display order; rows whose record cannot be read are skipped.
std::vector<FileEntry> ChosenRows(HWND list);

}  // namespace parcelon
