// The files of the chosen rows in display order, a file at a time.
#include "FolderWalk.h"

#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

namespace parcelon {

namespace {
uint64_t SizeOf(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

WalkedFile ChosenFile(const std::string& path, const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(FileSystemPath(path).c_str(), GetFileExInfoStandard, &data))
        data.dwFileAttributes = INVALID_FILE_ATTRIBUTES;
    return {path, name, SizeOf(data.nFileSizeHigh, data.nFileSizeLow), data.dwFileAttributes};
}

// The folder's file identity (volume serial number and file index), where it can be read.
bool FolderIdentity(const std::string& folder, BY_HANDLE_FILE_INFORMATION& identity) {
    UniqueFile handle(CreateFileW(FileSystemPath(folder).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return handle && GetFileInformationByHandle(handle.get(), &identity);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}
}  // namespace

bool IsFolderLink(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A folder being listed: the entry found and not yet taken is in `found`.
struct FolderWalk::Search {
    std::string folder;
    BY_HANDLE_FILE_INFORMATION identity = {};
    bool identified = false;
    UniqueFindHandle handle;
    WIN32_FIND_DATAW found = {};
    bool pending = true;
};

FolderWalk::FolderWalk(const std::vector<FileEntry>& rows, bool recurse)
    : rows_(rows), recurse_(recurse), top_(ChooseTopNames(rows)) {}

FolderWalk::~FolderWalk() = default;

bool FolderWalk::IsOnWalkPath(const BY_HANDLE_FILE_INFORMATION& identity) const {
    for (const auto& search : searches_)
        if (search->identified && SameFile(search->identity, identity)) return true;
    return false;
}

// Starts listing `folder`, as listed with `attributes`; false, with `problem` set when it
// is worth a report, when nothing can be listed or the folder is not followed. Wine shows
// a Unix symbolic link as a plain folder: only its identity tells that it loops.
bool FolderWalk::Enter(const std::string& folder, DWORD attributes, WalkedFile& problem) {
    auto search = std::make_unique<Search>();
    search->folder = folder;
    search->identified = FolderIdentity(folder, search->identity);
    if (IsFolderLink(attributes) || (search->identified && IsOnWalkPath(search->identity))) {
        problem = {folder, {}, 0, attributes, AddFileResult::LinkNotFollowed};
        return false;
    }
    // The basic listing leaves out the short names, and large fetches take the folder in
    // fewer calls.
    search->handle.reset(FindFirstFileExW((FileSystemPath(folder) + L"*").c_str(), FindExInfoBasic, &search->found,
                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!search->handle) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return false;
        problem = {folder, {}, 0, INVALID_FILE_ATTRIBUTES,
                   error == ERROR_ACCESS_DENIED ? AddFileResult::NoAccess : AddFileResult::Missing};
        return false;
    }
    searches_.push_back(std::move(search));
    return true;
}

bool FolderWalk::Next(WalkedFile& file) {
    for (;;) {
        if (searches_.empty()) {
            if (nextRow_ >= rows_.size()) return false;
            const FileEntry& row = rows_[nextRow_++];
            // A drive row of the browser carries no attributes.
            if (!row.isFolder() && !IsRootPath(row.path)) {
                file = ChosenFile(row.path, top_.names[nextRow_ - 1]);
                return true;
            }
            file.problem = AddFileResult::Added;
            if (!Enter(row.path, row.attributes, file) && file.problem != AddFileResult::Added) return true;
            continue;
        }
        Search& search = *searches_.back();
        if (!search.pending && !FindNextFileW(search.handle.get(), &search.found)) {
            searches_.pop_back();
            continue;
        }
        search.pending = false;
        const WIN32_FIND_DATAW& found = search.found;
        std::string name = Utf8FromWide(found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            // Below the row's own folder, whose path every search of the row begins with.
            std::string below = search.folder.substr(rows_[nextRow_ - 1].path.size()) + name;
            file = {search.folder + name, top_.names[nextRow_ - 1] + "\\" + below,
                    SizeOf(found.nFileSizeHigh, found.nFileSizeLow), found.dwFileAttributes};
            return true;
        }
        if (recurse_ && name != "." && name != "..") {
            file.problem = AddFileResult::Added;
            // The sub-folder is listed before this folder goes on.
            if (!Enter(search.folder + name + "\\", found.dwFileAttributes, file) &&
                file.problem != AddFileResult::Added)
                return true;
        }
    }
}

void WalkRows(const std::vector<FileEntry>& rows, bool recurse, const std::atomic<bool>& cancel,
              const std::function<void(WalkedFile&&)>& visit) {
    FolderWalk walk(rows, recurse);
    WalkedFile file;
    while (!cancel.load() && walk.Next(file)) visit(std::move(file));
}

}  // namespace parcelon
