// Report-list operations shared by the dialog's two lists.
#include "ListRows.h"

#include <cstdio>

#include "common/DpiAwareness.h"
#include "common/TextConversion.h"

namespace parcelon {

void InsertColumns(HWND list, std::initializer_list<ListColumn> columns) {
    UINT dpi = DpiOfWindow(list);
    int index = 0;
    for (const ListColumn& c : columns) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = ScaleToDpi(c.width, dpi);
        column.pszText = const_cast<wchar_t*>(c.title);
        column.iSubItem = index;
        SendMessageW(list, LVM_INSERTCOLUMNW, index++, reinterpret_cast<LPARAM>(&column));
    }
}

int RowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

int InsertEntryRow(HWND list, int index, const FileEntry& entry, int image) {
    auto* copy = new FileEntry(entry);
    std::wstring name = WideFromUtf8(copy->name);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index;
    item.pszText = &name[0];
    item.iImage = image;
    item.lParam = reinterpret_cast<LPARAM>(copy);
    int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) delete copy;
    return row;
}

void SetCellText(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

namespace {
bool ReadItem(HWND list, int row, UINT mask, LVITEMW& item) {
    item = {};
    item.mask = mask;
    item.iItem = row;
    return SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}
}  // namespace

FileEntry* EntryAt(HWND list, int row) {
    LVITEMW item;
    if (!ReadItem(list, row, LVIF_PARAM, item)) return nullptr;
    return reinterpret_cast<FileEntry*>(item.lParam);
}

int ImageAt(HWND list, int row) {
    LVITEMW item;
    return ReadItem(list, row, LVIF_IMAGE, item) ? item.iImage : -1;
}

std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0)
        rows.push_back(row);
    return rows;
}

void SortRows(HWND list, PFNLVCOMPARE comparator, int column) {
    SendMessageW(list, LVM_SORTITEMS, column, reinterpret_cast<LPARAM>(comparator));
}

void FreeListEntries(HWND list) {
    int count = RowCount(list);
    for (int row = 0; row < count; ++row) {
        LVITEMW item;
        if (!ReadItem(list, row, LVIF_PARAM, item) || !item.lParam) continue;
        delete reinterpret_cast<FileEntry*>(item.lParam);
        // The row stays until the caller deletes it; it must not point at a freed record.
        item.mask = LVIF_PARAM;
        item.lParam = 0;
        SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void ClearRows(HWND list) {
    FreeListEntries(list);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
}

std::wstring SizeText(uint64_t size) { return std::to_wstring(size); }

std::wstring DateText(uint64_t fileTime) {
    FILETIME time = {static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    SYSTEMTIME utc = {};
    if (!FileTimeToSystemTime(&time, &utc)) return {};
    wchar_t text[32] = {};
    swprintf(text, 32, L"%0.2d/%0.2d/%0.2d  %0.2d:%0.2d", utc.wMonth, utc.wDay, utc.wYear, utc.wHour,
             utc.wMinute);
    return text;
}

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

}  // namespace parcelon
