// How a source path becomes a zip entry name.
#include "ZipEntryName.h"

#include <windows.h>

#include "common/TextConversion.h"

namespace parcelon {

namespace {
// In UTF-8 no byte of a multi-byte character is below 0x80, so separators can be found
// byte by byte.
size_t NextBackslash(const std::string& path, size_t from) {
    return from >= path.size() ? std::string::npos : path.find('\\', from);
}

// Whether `path` begins with `prefix`, compared the way the file system compares names
// (ordinal, without regard to case); the length of that beginning in `path`'s bytes.
std::optional<size_t> CaselessPrefixLength(const std::string& path, const std::string& prefix) {
    std::wstring widePath = WideFromUtf8(path), widePrefix = WideFromUtf8(prefix);
    if (widePrefix.empty() || widePath.size() < widePrefix.size()) return std::nullopt;
    if (CompareStringOrdinal(widePath.c_str(), static_cast<int>(widePrefix.size()), widePrefix.c_str(),
                             static_cast<int>(widePrefix.size()), TRUE) != CSTR_EQUAL)
        return std::nullopt;
    return Utf8FromWide(widePath.substr(0, widePrefix.size())).size();
}
}  // namespace

size_t PathRootLength(const std::string& path) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        size_t server = NextBackslash(path, 2);
        if (server == std::string::npos) return path.size();
        size_t share = NextBackslash(path, server + 1);
        return share == std::string::npos ? path.size() : share + 1;
    }
    if (path.size() >= 2 && path[1] == ':' && static_cast<unsigned char>(path[0]) < 0x80)
        return path.size() >= 3 && path[2] == '\\' ? 3 : 2;
    return 0;
}

bool IsAbsolutePath(const std::string& path) {
    return PathRootLength(path) > 0 || path.find(':') != std::string::npos;
}

std::optional<std::string> RelativeEntryName(const std::string& path, const std::string& baseFolder,
                                             bool storeFlat) {
    if (storeFlat) {
        size_t folderEnd = path.find_last_of("\\/:");
        std::string name = folderEnd == std::string::npos ? path : path.substr(folderEnd + 1);
        if (name.empty()) return std::nullopt;
        return name;
    }
    if (path.compare(0, 3, "..\\") == 0) return std::nullopt;

    std::string name;
    if (IsAbsolutePath(path)) {
        if (std::optional<size_t> base = CaselessPrefixLength(path, baseFolder))
            name = path.substr(*base);
        else  // another drive, share or folder: named below its own root
            name = path.substr(PathRootLength(path));
    } else if (path.compare(0, 2, ".\\") == 0) {
        name = path.substr(2);
    } else {
        name = path;
    }
    if (name.empty()) return std::nullopt;
    return name;
}

EncodedEntryName EncodeEntryName(const std::string& utf8Name) {
    std::string bytes = utf8Name;
    for (char& c : bytes)
        if (c == '\\') c = '/';
    return {bytes, !IsAscii(utf8Name)};
}

}  // namespace parcelon
