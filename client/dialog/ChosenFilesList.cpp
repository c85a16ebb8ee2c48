// The "Attached Files:" list.
#include "ChosenFilesList.h"

#include <string>

#include "DroppedEntry.h"
#include "EntryOrder.h"
#include "ListRows.h"
#include "common/EntryGuard.h"
#include "common/TextConversion.h"

namespace parcelon {

namespace {
// The list's own procedure, kept on the list itself so that every dialog has its own.
constexpr wchar_t kPreviousProcedure[] = L"Parcelon.ListProcedure";

WNDPROC PreviousProcedure(HWND list) { return reinterpret_cast<WNDPROC>(GetPropW(list, kPreviousProcedure)); }

LRESULT CALLBACK DropHandlingProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = PreviousProcedure(list);
    if (message == WM_DROPFILES) {
        // The drop is ours to finish; the list's own procedure never sees the freed block.
        HDROP drop = reinterpret_cast<HDROP>(wParam);
        GuardedCall("Dropping files on the chosen list", [&] { AddDroppedFiles(list, drop); });
        DragFinish(drop);
        return 0;
    }
    return previous ? CallWindowProcW(previous, list, message, wParam, lParam)
                    : DefWindowProcW(list, message, wParam, lParam);
}
}  // namespace

void InsertChosenColumns(HWND list) {
    InsertColumns(list, {{L"Name", 100}, {L"Path", 100}, {L"Size", 50}, {L"Date Modified", 100}});
}

bool IsAlreadyChosen(HWND list, const FileEntry& entry) {
    for (int row = 0; row < RowCount(list); ++row) {
        const FileEntry* chosen = EntryAt(list, row);
        if (chosen && chosen->path == entry.path) return true;
    }
    return false;
}

void AddChosenEntry(HWND list, int index, const FileEntry& entry) {
    if (IsAlreadyChosen(list, entry)) return;
    int row = InsertEntryRow(list, index, entry, entry.isFolder() ? kFolderIcon : kDocumentIcon);
    if (row < 0) return;
    SetCellText(list, row, 1, WideFromUtf8(entry.path));
    SetCellText(list, row, 2, SizeText(entry.size));
    // Drive rows have no time of their own.
    SetCellText(list, row, 3, IsDriveRow(entry) ? std::wstring() : DateText(entry.modified));
}

void AddSelectedFromBrowser(HWND chosenList, HWND browserList) {
    for (int row : SelectedRows(browserList))
        if (const FileEntry* entry = EntryAt(browserList, row)) AddChosenEntry(chosenList, RowCount(chosenList), *entry);
    SortRows(chosenList, CompareChosenEntries, 0);
}

void RemoveSelectedEntries(HWND list) {
    std::vector<int> rows = SelectedRows(list);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        delete EntryAt(list, *row);
        SendMessageW(list, LVM_DELETEITEM, *row, 0);
    }
}

void AddDroppedFiles(HWND list, HDROP drop) {
    for (const std::string& path : DroppedPaths(drop))
        if (std::optional<FileEntry> entry = MakeDroppedEntry(path)) AddChosenEntry(list, RowCount(list), *entry);
}

int CALLBACK CompareChosenEntries(LPARAM a, LPARAM b, LPARAM column) {
    SortKey key = column == 2 ? SortKey::Size : column == 3 ? SortKey::Modified : SortKey::Name;
    return CompareItemData(a, b, key);
}

bool InstallDropHandler(HWND list) {
    DragAcceptFiles(list, TRUE);
    if (PreviousProcedure(list)) return true;
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC));
    if (!previous || !SetPropW(list, kPreviousProcedure, reinterpret_cast<HANDLE>(previous))) return false;
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DropHandlingProcedure));
    return true;
}

void RemoveDropHandler(HWND list) {
    WNDPROC previous = PreviousProcedure(list);
    if (!previous) return;
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropW(list, kPreviousProcedure);
}

std::vector<FileEntry> ChosenRows(HWND list) {
    std::vector<FileEntry> rows;
    int count = RowCount(list);
    for (int row = 0; row < count; ++row)
        if (const FileEntry* entry = EntryAt(list, row)) rows.push_back(*entry);
    return rows;
}

}  // namespace parcelon
