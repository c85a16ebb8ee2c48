// Folders and environment texts that the system names, as UTF-8.
#include "SystemFolders.h"

#include <windows.h>

#include "TextConversion.h"

namespace parcelon {

namespace {
// For the calls that answer the size they need (with the terminator) when the buffer is
// too small, and the length they wrote (without it) otherwise.
template <typename Call>
std::wstring ReadSized(Call call) {
    std::wstring text(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD n = call(static_cast<DWORD>(text.size()), &text[0]);
        if (n == 0) return {};
        if (n < text.size()) {
            text.resize(n);
            return text;
        }
        text.assign(n, L'\0');
    }
    return {};
}
}  // namespace

std::string TemporaryFolder() {
    return Utf8FromWide(ReadSized([](DWORD size, wchar_t* buffer) { return GetTempPathW(size, buffer); }));
}

std::string ExpandEnvironmentText(const std::string& text) {
    std::wstring wide = WideFromUtf8(text);
    std::wstring expanded = ReadSized([&](DWORD size, wchar_t* buffer) {
        // This one counts the terminator in both answers.
        DWORD n = ExpandEnvironmentStringsW(wide.c_str(), buffer, size);
        return n > 0 && n <= size ? n - 1 : n;
    });
    return expanded.empty() && !wide.empty() ? text : Utf8FromWide(expanded);
}

std::string WindowsFolder() {
    return Utf8FromWide(
        ReadSized([](DWORD size, wchar_t* buffer) { return GetSystemWindowsDirectoryW(buffer, size); }));
}

std::string ModulePath(void* module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(static_cast<HMODULE>(module), &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        // A path that filled the buffer was cut.
        if (n < path.size()) return Utf8FromWide(path.substr(0, n));
        if (path.size() >= 0x8000) return {};
        path.assign(path.size() * 2, L'\0');
    }
}

}  // namespace parcelon
