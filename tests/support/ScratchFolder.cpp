// A folder of real files for one test, removed afterwards.
#include "ScratchFolder.h"

#include <atomic>
#include <cstdio>

#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "common/WorkingFolder.h"

namespace testing_support {

namespace {
std::atomic<int> counter{0};
}

void MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryW(parcelon::FileSystemPath(path.substr(0, at)).c_str(), nullptr);
    CreateDirectoryW(parcelon::FileSystemPath(path).c_str(), nullptr);
}

void RemoveTree(const std::string& folder) { parcelon::DeleteFolderTree(folder); }

std::vector<std::string> WorkingFoldersLeft() {
    std::vector<std::string> left;
    WIN32_FIND_DATAW found = {};
    parcelon::UniqueFindHandle search(
        FindFirstFileW(parcelon::FileSystemPath(parcelon::WorkingFoldersRoot() + "*").c_str(), &found));
    if (!search) return left;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") left.push_back(parcelon::Utf8FromWide(name));
    } while (FindNextFileW(search.get(), &found));
    return left;
}

ScratchFolder::ScratchFolder(const std::string& root) {
    char name[64];
    snprintf(name, sizeof name, "t%lu-%d\\", GetCurrentProcessId(), counter++);
    path_ = root + name;
    RemoveTree(path_);
    MakeFolders(path_.substr(0, path_.size() - 1));
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

std::string ScratchFolder::Write(const std::string& relative, const std::string& content) const {
    std::string full = path_ + relative;
    size_t slash = full.rfind('\\');
    MakeFolders(full.substr(0, slash));
    parcelon::UniqueFile file(CreateFileW(parcelon::FileSystemPath(full).c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    return full;
}

std::string ScratchFolder::MakeFolder(const std::string& relative) const {
    std::string full = path_ + relative;
    MakeFolders(full.back() == '\\' ? full.substr(0, full.size() - 1) : full);
    return full;
}

bool SetLocalWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                       WORD second) {
    SYSTEMTIME t = {year, month, 0, day, hour, minute, second, 0};
    FILETIME local = {}, utc = {};
    if (!SystemTimeToFileTime(&t, &local) || !LocalFileTimeToFileTime(&local, &utc)) return false;
    parcelon::UniqueFile file(CreateFileW(parcelon::FileSystemPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && SetFileTime(file.get(), nullptr, nullptr, &utc);
}

std::string ReadWholeFile(const std::string& path) {
    std::string content;
    parcelon::UniqueFile file(CreateFileW(parcelon::FileSystemPath(path).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    char chunk[4096];
    DWORD n = 0;
    while (file && ReadFile(file.get(), chunk, sizeof chunk, &n, nullptr) && n > 0) content.append(chunk, n);
    return content;
}

}  // namespace testing_support
