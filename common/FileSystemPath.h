// The one place where a UTF-8 path becomes the UTF-16 path handed to the file system:
// made absolute, and given the \\?\ (or \\?\UNC\) prefix when it is too long for the
// classic length limit. The prefixed form never leaves this boundary.
#pragma once

#include <string>

namespace parcelon {

// The longest path the file system takes, in UTF-16 units.
constexpr size_t kMaxFileSystemPathUnits = 32767;

// For CreateFileW, FindFirstFileW, GetFileAttributesW, DeleteFileW and the like.
std::wstring FileSystemPath(const std::string& utf8Path);
std::wstring FileSystemPath(const std::wstring& path);

// The path without a \\?\ or \\?\UNC\ prefix, as a user would write it.
std::wstring DisplayPath(const std::wstring& path);

}  // namespace parcelon
