// Conversions between the ANSI code page, UTF-16 and UTF-8.
#pragma once

#include <string>

namespace parcelon {

std::wstring WideFromAnsi(const std::string& text);
std::string AnsiFromWide(const wchar_t* text, int length = -1);  // length -1: up to the terminator
std::string Utf8FromWide(const std::wstring& text);
std::string Utf8FromWide(const wchar_t* text, int length = -1);  // length -1: up to the terminator
std::wstring WideFromUtf8(const std::string& text);
bool IsAscii(const std::string& text);

}  // namespace parcelon
