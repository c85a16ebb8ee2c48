// The "Available Files:" list.
#include "FolderBrowserList.h"

#include "AttachOptions.h"
#include "EntryOrder.h"
#include "ListRows.h"
#include "client/resources/ResourceIds.h"
#include "common/FileSystemPath.h"
#include "common/SystemFolders.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

namespace parcelon {

namespace {
uint64_t FileTimeValue(const FILETIME& time) { return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

int DriveIcon(UINT driveType) {
    switch (driveType) {
    case DRIVE_REMOVABLE:
        return kFloppyIcon;
    case DRIVE_CDROM:
        return kCompactDiscIcon;
    case DRIVE_FIXED:
    case DRIVE_REMOTE:
    case DRIVE_RAMDISK:
        return kFixedDiskIcon;
    default:
        return -1;
    }
}

void AddDriveRow(HWND list, const std::string& root) {
    int icon = DriveIcon(GetDriveTypeW(WideFromUtf8(root).c_str()));
    if (icon < 0) return;
    FileEntry entry;
    entry.name = root;
    entry.path = root;
    InsertEntryRow(list, RowCount(list), entry, icon);
}

void ShowInBrowseEdit(HWND dialog, const std::string& folder) {
    SetWindowTextW(GetDlgItem(dialog, IDC_BROWSE_EDIT), WideFromUtf8(folder).c_str());
}
}  // namespace

void InsertBrowserColumns(HWND list) { InsertColumns(list, {{L"Name", 100}, {L"Size", 50}, {L"Date Modified", 100}}); }

void ListFolder(HWND list, const std::string& folder) {
    attachOptions.browseFolder = folder;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ClearRows(list);
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle search(FindFirstFileW(FileSystemPath(folder + "*.*").c_str(), &found));
    if (search) {
        int row = 0;
        do {
            FileEntry entry;
            entry.attributes = found.dwFileAttributes;
            entry.name = Utf8FromWide(found.cFileName);
            entry.path = folder + entry.name + (entry.isFolder() ? "\\" : "");
            entry.size = (uint64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            entry.modified = FileTimeValue(found.ftLastWriteTime);
            int inserted = InsertEntryRow(list, row, entry, entry.isFolder() ? kFolderIcon : kDocumentIcon);
            if (inserted < 0) continue;
            SetCellText(list, inserted, 1, SizeText(entry.size));
            SetCellText(list, inserted, 2, DateText(entry.modified));
            ++row;
        } while (FindNextFileW(search.get(), &found));
    }
    SortRows(list, CompareBrowserEntries, 0);
    AddDriveEntries(list);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void AddDriveEntries(HWND list) {
    DWORD drives = GetLogicalDrives();
    for (char letter = 'A'; drives != 0 && letter <= 'Z'; ++letter, drives >>= 1)
        if (drives & 1) AddDriveRow(list, std::string(1, letter) + ":\\");
}

bool FolderCanBeListed(const std::string& folder) {
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle search(FindFirstFileW(FileSystemPath(folder + "*.*").c_str(), &found));
    return static_cast<bool>(search);
}

std::string ParentFolder(const std::string& folder) {
    if (folder.size() < 2) return folder;
    size_t slash = folder.rfind('\\', folder.size() - 2);
    return slash == std::string::npos ? folder : folder.substr(0, slash + 1);
}

void OpenBrowserEntry(HWND dialog, HWND list) {
    std::vector<int> selected = SelectedRows(list);
    if (selected.empty()) return;
    int row = selected.front();
    const FileEntry* entry = EntryAt(list, row);
    if (!entry || ImageAt(list, row) == kDocumentIcon || entry->name == ".") return;
    // Copied: listing destroys the row's record. The ".." row's own path names the folder
    // this list shows, whatever another open dialog listed last.
    bool up = entry->name == "..";
    std::string folder = up ? ParentFolder(entry->path.substr(0, entry->path.size() - 3)) : entry->path;
    if (!up && !FolderCanBeListed(folder)) return;
    ListFolder(list, folder);
    ShowInBrowseEdit(dialog, folder);
}

void BrowseToTypedFolder(HWND dialog, HWND list) {
    std::wstring typed = WindowText(GetDlgItem(dialog, IDC_BROWSE_EDIT));
    if (typed.empty()) return;
    std::wstring folder = WideFromUtf8(ExpandEnvironmentText(Utf8FromWide(typed)));
    if (folder.empty()) return;
    if (folder.back() != L'\\') folder += L'\\';
    std::wstring systemPath = FileSystemPath(folder);
    DWORD attributes = GetFileAttributesW(systemPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    folder = DisplayPath(systemPath);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    ListFolder(list, Utf8FromWide(folder));
}

int CALLBACK CompareBrowserEntries(LPARAM a, LPARAM b, LPARAM column) {
    SortKey key = column == 1 ? SortKey::Size : column == 2 ? SortKey::Modified : SortKey::Name;
    return CompareItemData(a, b, key);
}

}  // namespace parcelon
