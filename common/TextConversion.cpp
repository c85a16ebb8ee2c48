// Conversions between the ANSI code page, UTF-16 and UTF-8.
#include "TextConversion.h"

#include <windows.h>

namespace parcelon {

namespace {
std::string NarrowFromWide(UINT codePage, const wchar_t* text, int length) {
    if (!text || length == 0) return {};
    int bytes = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text, length, &out[0], bytes, nullptr, nullptr);
    if (length < 0 && !out.empty()) out.pop_back();  // the converted terminator
    return out;
}

std::wstring WideFromNarrow(UINT codePage, const std::string& text) {
    if (text.empty()) return {};
    int chars = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (chars <= 0) return {};
    std::wstring out(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], chars);
    return out;
}
}  // namespace

std::wstring WideFromAnsi(const std::string& text) { return WideFromNarrow(CP_ACP, text); }
std::wstring WideFromUtf8(const std::string& text) { return WideFromNarrow(CP_UTF8, text); }

std::string AnsiFromWide(const wchar_t* text, int length) { return NarrowFromWide(CP_ACP, text, length); }

std::string Utf8FromWide(const std::wstring& text) {
    return NarrowFromWide(CP_UTF8, text.data(), static_cast<int>(text.size()));
}

std::string Utf8FromWide(const wchar_t* text, int length) { return NarrowFromWide(CP_UTF8, text, length); }

bool IsAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace parcelon
