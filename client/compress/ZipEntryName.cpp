// How a source path becomes a zip entry name.
#include "ZipEntryName.h"

#include <mbstring.h>
#include <windows.h>

#include "common/TextConversion.h"

namespace parcelon {

namespace {
const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.c_str()); }

// Byte offset of the next backslash at or after `from`, respecting double-byte characters.
size_t NextBackslash(const std::string& path, size_t from) {
    if (from >= path.size()) return std::string::npos;
    const unsigned char* found = _mbschr(Bytes(path) + from, '\\');
    return found ? static_cast<size_t>(found - Bytes(path)) : std::string::npos;
}
}  // namespace

size_t PathRootLength(const std::string& path) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        size_t server = NextBackslash(path, 2);
        if (server == std::string::npos) return path.size();
        size_t share = NextBackslash(path, server + 1);
        return share == std::string::npos ? path.size() : share + 1;
    }
    if (path.size() >= 2 && path[1] == ':' && !_ismbblead(static_cast<unsigned char>(path[0])))
        return path.size() >= 3 && path[2] == '\\' ? 3 : 2;
    return 0;
}

bool IsAbsolutePath(const std::string& path) {
    return PathRootLength(path) > 0 || _mbschr(Bytes(path), ':') != nullptr;
}

std::optional<std::string> RelativeEntryName(const std::string& path, const std::string& baseFolder,
                                             bool storeFlat) {
    if (storeFlat) {
        char fileName[_MAX_FNAME] = {}, extension[_MAX_EXT] = {}, name[MAX_PATH] = {};
        if (path.size() >= MAX_PATH) return std::nullopt;
        _splitpath(path.c_str(), nullptr, nullptr, fileName, extension);
        _makepath(name, nullptr, nullptr, fileName, extension);
        if (!name[0]) return std::nullopt;
        return std::string(name);
    }
    if (path.compare(0, 3, "..\\") == 0) return std::nullopt;

    std::string name;
    if (IsAbsolutePath(path)) {
        if (!baseFolder.empty() && path.size() >= baseFolder.size() &&
            _mbsnbicmp(Bytes(path), Bytes(baseFolder), baseFolder.size()) == 0)
            name = path.substr(baseFolder.size());
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

EncodedEntryName EncodeEntryName(const std::string& ansiName) {
    if (IsAscii(ansiName)) {
        std::string bytes = ansiName;
        for (char& c : bytes)
            if (c == '\\') c = '/';
        return {bytes, false};
    }
    // Convert first: in a double-byte code page a trail byte may equal the backslash.
    std::wstring wide = WideFromAnsi(ansiName);
    for (wchar_t& c : wide)
        if (c == L'\\') c = L'/';
    return {Utf8FromWide(wide), true};
}

}  // namespace parcelon
