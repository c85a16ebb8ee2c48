// A private working folder per packing or attach, and the removal of abandoned ones.
#include "WorkingFolder.h"

#include <atomic>
#include <windows.h>

#include "FileSystemPath.h"
#include "SystemFolders.h"
#include "TextConversion.h"

namespace parcelon {

namespace {
constexpr char kLockName[] = "in-use.lock";
// A folder without a lock file is still being set up, or was left before its lock was
// made: only one this old is taken as abandoned.
constexpr ULONGLONG kSetUpTime = 10ull * 60 * 10'000'000;  // ten minutes in 100 ns units

std::atomic<unsigned> folderCount{0};

std::string UniqueName() {
    char name[64];
    wsprintfA(name, "%lx-%lx-%x", GetCurrentProcessId(), static_cast<unsigned long>(GetTickCount64() & 0xFFFFFFFF),
              folderCount.fetch_add(1));
    return name;
}

ULONGLONG AsNumber(const FILETIME& time) { return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

bool Abandoned(const std::string& folder, const FILETIME& created) {
    if (DeleteFileW(FileSystemPath(folder + kLockName).c_str())) return true;
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;  // held by its owner
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    return AsNumber(now) > AsNumber(created) + kSetUpTime;
}
}  // namespace

std::string WorkingFoldersRoot() {
    std::string temporary = TemporaryFolder();
    return temporary.empty() ? std::string() : temporary + "Parcelon\\";
}

WorkingFolder::WorkingFolder() {
    std::string root = WorkingFoldersRoot();
    if (root.empty()) return;
    CreateDirectoryW(FileSystemPath(root).c_str(), nullptr);
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string folder = root + UniqueName() + "\\";
        // No security descriptor of its own: the folder takes the user's profile's.
        if (!CreateDirectoryW(FileSystemPath(folder).c_str(), nullptr)) {
            if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
            return;
        }
        lock_.reset(CreateFileW(FileSystemPath(folder + kLockName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!lock_) {
            RemoveDirectoryW(FileSystemPath(folder).c_str());
            return;
        }
        path_ = folder;
        return;
    }
}

WorkingFolder::~WorkingFolder() {
    if (path_.empty()) return;
    lock_.reset();
    DeleteFolderTree(path_);
}

bool DeleteFolderTree(const std::string& folder) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle search(FindFirstFileW(FileSystemPath(prefix + "*").c_str(), &found));
    if (search) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::string child = prefix + Utf8FromWide(name);
            std::wstring path = FileSystemPath(child);
            bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                            !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesW(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            if (isFolder)
                DeleteFolderTree(child);
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(path.c_str());  // a link to a folder goes, not what it shows
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search.get(), &found));
    }
    search.reset();  // an open search keeps the folder
    return RemoveDirectoryW(FileSystemPath(prefix).c_str()) != FALSE;
}

size_t RemoveAbandonedWorkingFolders() {
    std::string root = WorkingFoldersRoot();
    if (root.empty()) return 0;
    size_t removed = 0;
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle search(FindFirstFileW(FileSystemPath(root + "*").c_str(), &found));
    if (!search) return 0;
    do {
        std::wstring name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") continue;
        std::string folder = root + Utf8FromWide(name) + "\\";
        if (Abandoned(folder, found.ftCreationTime) && DeleteFolderTree(folder)) ++removed;
    } while (FindNextFileW(search.get(), &found));
    return removed;
}

}  // namespace parcelon
