// Report-list operations shared by the dialog's two lists: columns, rows that own a
// FileEntry as their item data, selection walks, sorting and freeing the rows' records.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <initializer_list>
#include <string>
#include <vector>

#include "FileEntry.h"

namespace parcelon {

// The images of the dialog's strip, in strip order.
enum FileIcon { kFixedDiskIcon = 0, kFloppyIcon, kCompactDiscIcon, kFolderIcon, kNetworkIcon, kDocumentIcon,
                kUpArrowIcon };

struct ListColumn {
    const wchar_t* title;
    int width;  // pixels at 96 DPI
};

// The columns at the list's DPI.
void InsertColumns(HWND list, std::initializer_list<ListColumn> columns);
int RowCount(HWND list);
// Inserts a row whose item data is a copy of `entry`, owned by the row. Returns the row's
// index, or -1 (and nothing is kept) when the list refuses it.
int InsertEntryRow(HWND list, int index, const FileEntry& entry, int image);
void SetCellText(HWND list, int row, int column, const std::wstring& text);
// The row's record, or null when its item data cannot be read.
FileEntry* EntryAt(HWND list, int row);
int ImageAt(HWND list, int row);
// Selected rows in ascending order.
std::vector<int> SelectedRows(HWND list);
void SortRows(HWND list, PFNLVCOMPARE comparator, int column);
// Destroys the records of all rows and leaves the rows in place.
void FreeListEntries(HWND list);
// Destroys the records and deletes the rows.
void ClearRows(HWND list);

// Column texts: the size as "%u", the last-write time in UTC as "MM/DD/YYYY  hh:mm".
std::wstring SizeText(uint64_t size);
std::wstring DateText(uint64_t fileTime);
std::wstring WindowText(HWND window);

}  // namespace parcelon
