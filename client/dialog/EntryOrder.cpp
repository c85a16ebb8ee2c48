// The order of rows in both dialog lists.
#include "EntryOrder.h"

#include <windows.h>
#include <cwchar>

#include "common/TextConversion.h"

namespace parcelon {

namespace {
template <typename T>
int CompareValues(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

std::wstring Lowered(const std::string& utf8) {
    std::wstring wide = WideFromUtf8(utf8);
    if (!wide.empty()) CharLowerBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    return wide;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

int CompareNames(const std::string& a, const std::string& b) {
    if (IsAscii(a) && IsAscii(b)) {
        size_t n = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < n; ++i) {
            int d = CompareValues(LowerAscii(a[i]), LowerAscii(b[i]));
            if (d) return d;
        }
        return CompareValues(a.size(), b.size());
    }
    return CompareValues(Lowered(a), Lowered(b));
}

bool IsDriveRow(const FileEntry& entry) { return entry.name.size() > 1 && entry.name[1] == ':'; }

int CompareEntries(const FileEntry& a, const FileEntry& b, SortKey key) {
    if (a.name.empty() && b.name == "..") return 1;
    if (a.name == ".." && b.name.empty()) return -1;
    bool aDrive = IsDriveRow(a), bDrive = IsDriveRow(b);
    if (aDrive != bDrive) return aDrive ? 1 : -1;
    if (a.isFolder() != b.isFolder()) return a.isFolder() ? -1 : 1;
    switch (key) {
    case SortKey::Name:
        return CompareNames(a.name, b.name);
    case SortKey::Size:
        return CompareValues(a.size, b.size);
    case SortKey::Modified:
        return CompareValues(a.modified, b.modified);
    }
    return 0;
}

int CompareItemData(LPARAM a, LPARAM b, SortKey key) noexcept {
    const auto* first = reinterpret_cast<const FileEntry*>(a);
    const auto* second = reinterpret_cast<const FileEntry*>(b);
    if (!first || !second) return 0;
    try {
        return CompareEntries(*first, *second, key);
    } catch (...) {
        return 0;
    }
}

}  // namespace parcelon
