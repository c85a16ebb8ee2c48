// The "Available Files:" list: one folder's entries followed by the drives; rows are
// opened by a double-click or by a folder typed into "Browse:".
#pragma once

#include <windows.h>
#include <string>

namespace parcelon {

void InsertBrowserColumns(HWND list);
// Lists `folder` (UTF-8, ending with a backslash), sorted by name, then the drives, and
// remembers it as the browse folder.
void ListFolder(HWND list, const std::string& folder);
void AddDriveEntries(HWND list);
// True when a search for the folder text followed by "*.*" finds an entry.
bool FolderCanBeListed(const std::string& folder);
// Opens the first selected row when it is a folder, a drive or "..".
void OpenBrowserEntry(HWND dialog, HWND list);
// Lists the folder typed into the "Browse:" edit when it exists; otherwise nothing changes.
void BrowseToTypedFolder(HWND dialog, HWND list);
int CALLBACK CompareBrowserEntries(LPARAM a, LPARAM b, LPARAM column);

// The folder that holds `folder` (both ending with a backslash); `folder` itself at a root.
std::string ParentFolder(const std::string& folder);

}  // namespace parcelon
