// The names the chosen rows stand under at the archive's top.
#include "ChosenNames.h"

#include <cctype>
#include <set>
#include <windows.h>

#include "ZipEntryName.h"
#include "common/TextConversion.h"

namespace parcelon {

namespace {
std::string WithoutTrailingSeparator(std::string path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

// What a drive or share root is called: the volume's label, or the drive's letter.
std::string RootName(const std::string& root) {
    wchar_t label[MAX_PATH + 1] = {};
    std::wstring wideRoot = WideFromUtf8(root);
    if (GetVolumeInformationW(wideRoot.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0) &&
        label[0])
        return Utf8FromWide(label);
    std::string bare = WithoutTrailingSeparator(root);
    if (bare.size() == 2 && bare[1] == ':') return std::string("Drive ") + static_cast<char>(toupper(bare[0]));
    return bare.substr(bare.find_last_of('\\') + 1);  // a share: its own name
}

std::string OwnName(const FileEntry& row) {
    if (IsRootPath(row.path)) return RootName(row.path);
    std::string path = WithoutTrailingSeparator(row.path);
    size_t separator = path.find_last_of("\\/");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    return name.empty() ? row.name : name;
}

// Names meet as the file system compares them: without regard to case.
std::wstring NameKey(const std::string& name) {
    std::wstring key = WideFromUtf8(name);
    if (!key.empty()) CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
    return key;
}
}  // namespace

bool IsRootPath(const std::string& path) {
    size_t root = PathRootLength(path);
    return root > 0 && root >= path.size();
}

std::string BeforeExtension(const std::string& name, const std::string& insert) {
    size_t dot = name.find_last_of('.');
    if (dot == 0 || dot == std::string::npos) dot = name.size();
    return name.substr(0, dot) + insert + name.substr(dot);
}

std::string NumberedName(const std::string& name, bool folder, unsigned number) {
    std::string suffix = " (" + std::to_string(number) + ")";
    return folder ? name + suffix : BeforeExtension(name, suffix);
}

TopNames ChooseTopNames(const std::vector<FileEntry>& rows) {
    TopNames top;
    std::set<std::wstring> taken;
    for (const FileEntry& row : rows) {
        std::string own = OwnName(row), name = own;
        bool folder = row.isFolder() || IsRootPath(row.path);
        for (unsigned number = 2; taken.count(NameKey(name)); ++number) name = NumberedName(own, folder, number);
        taken.insert(NameKey(name));
        if (name != own) top.renamed.push_back({row.path, name});
        top.names.push_back(std::move(name));
    }
    return top;
}

}  // namespace parcelon
