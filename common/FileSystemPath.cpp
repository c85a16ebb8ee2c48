// UTF-8 paths to the file system's UTF-16 form, with the long-path prefix when needed.
#include "FileSystemPath.h"

#include <windows.h>

#include "TextConversion.h"

namespace parcelon {

namespace {
constexpr wchar_t kLongPrefix[] = L"\\\\?\\";
constexpr wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";
// Below this the classic calls take a path as it is (CreateDirectoryW stops at 248).
constexpr size_t kClassicLimit = MAX_PATH - 12;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

std::wstring FullPath(const std::wstring& path) {
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    DWORD written = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    if (written == 0 || written >= needed) return path;
    full.resize(written);
    return full;
}
}  // namespace

std::wstring FileSystemPath(const std::wstring& path) {
    if (path.empty() || StartsWith(path, kLongPrefix)) return path;
    std::wstring full = FullPath(path);
    if (full.size() < kClassicLimit) return full;
    if (StartsWith(full, L"\\\\")) return kLongUncPrefix + full.substr(2);
    return kLongPrefix + full;
}

std::wstring FileSystemPath(const std::string& utf8Path) { return FileSystemPath(WideFromUtf8(utf8Path)); }

std::wstring DisplayPath(const std::wstring& path) {
    if (StartsWith(path, kLongUncPrefix)) return L"\\\\" + path.substr(wcslen(kLongUncPrefix));
    if (StartsWith(path, kLongPrefix)) return path.substr(wcslen(kLongPrefix));
    return path;
}

}  // namespace parcelon
