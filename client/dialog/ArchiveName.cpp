// The archive name typed into the dialog.
#include "ArchiveName.h"

#include <windows.h>

#include "common/TextConversion.h"

namespace parcelon {

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool EndsWithZip(const std::wstring& name) {
    return name.size() >= 4 && CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".zip", 4, TRUE) == CSTR_EQUAL;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices whatever extension follows.
bool IsDeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && IsBlank(base.back())) base.pop_back();
    for (wchar_t& c : base) c = static_cast<wchar_t>(towupper(c));
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'1' && base[3] <= L'9';
}
}  // namespace

ArchiveNameCheck CheckArchiveName(const std::wstring& typed) {
    size_t first = 0, end = typed.size();
    while (first < end && IsBlank(typed[first])) ++first;
    while (end > first && IsBlank(typed[end - 1])) --end;
    std::wstring name = typed.substr(first, end - first);
    if (name.empty()) return {{}, L"Type a name for the archive."};
    if (!EndsWithZip(name)) name += L".zip";
    for (wchar_t c : name)
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c))
            return {{}, L"An archive name cannot hold \\ / : * ? \" < > | or control characters."};
    if (IsDeviceName(name)) return {{}, L"\u201C" + name + L"\u201D is a device name in Windows; choose another."};
    return {Utf8FromWide(name), {}};
}

}  // namespace parcelon
