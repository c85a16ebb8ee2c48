// File types that mail systems refuse even inside a zip archive.
#include "BlockedTypes.h"

#include <algorithm>
#include <windows.h>

#include "common/FileSystemPath.h"

namespace parcelon {

namespace {
// Gmail's published list of file types it blocks, also inside archives ("File types
// blocked in Gmail", Gmail Help); many company gateways refuse the same. Lower case.
constexpr const char* kBlockedExtensions[] = {
    "ade",  "adp",      "apk",     "appx",    "appxbundle", "bat",  "cab",  "chm",  "cmd",  "com",
    "cpl",  "diagcab",  "diagcfg", "diagpkg", "dll",        "dmg",  "ex",   "ex_",  "exe",  "hta",
    "img",  "ins",      "iso",     "isp",     "jar",        "jnlp", "js",   "jse",  "lib",  "lnk",
    "mde",  "mjs",      "msc",     "msi",     "msix",       "msixbundle", "msp", "mst", "nsh", "pif",
    "ps1",  "scr",      "sct",     "shb",     "sys",        "vb",   "vbe",  "vbs",  "vhd",  "vxd",
    "wsc",  "wsf",      "wsh",     "xll",
};

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}
}  // namespace

bool IsBlockedType(const std::string& entryName) {
    size_t slash = entryName.find_last_of('/');
    std::string last = slash == std::string::npos ? entryName : entryName.substr(slash + 1);
    size_t dot = last.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string extension = LowerAscii(last.substr(dot + 1));
    return std::any_of(std::begin(kBlockedExtensions), std::end(kBlockedExtensions),
                       [&](const char* blocked) { return extension == blocked; });
}

std::vector<size_t> BlockedEntries(const std::vector<ZipEntryInfo>& entries) {
    std::vector<size_t> blocked;
    for (size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].isFolder() && IsBlockedType(entries[i].name)) blocked.push_back(i);
    return blocked;
}

bool LeaveOutEntries(const std::string& utf8Path, const std::vector<size_t>& leftOut) {
    std::string thinned = utf8Path + ".thinned";
    {
        ZipArchiveReader archive;
        if (!archive.Open(utf8Path)) return false;
        std::vector<size_t> kept;
        for (size_t i = 0; i < archive.entries().size(); ++i)
            if (!std::binary_search(leftOut.begin(), leftOut.end(), i)) kept.push_back(i);
        if (!archive.CopyEntries(kept, thinned)) return false;
    }  // closed before it is replaced
    if (MoveFileExW(FileSystemPath(thinned).c_str(), FileSystemPath(utf8Path).c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileW(FileSystemPath(thinned).c_str());
    return false;
}

}  // namespace parcelon
