// The files of the chosen rows in display order.
#include "FolderWalk.h"

#include <windows.h>

#include "common/FileSystemPath.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

namespace parcelon {

namespace {
uint64_t SizeOf(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

class Walk {
public:
    Walk(const std::atomic<bool>& cancel, const std::function<void(WalkedFile&&)>& visit)
        : cancel_(cancel), visit_(visit) {}

    void File(const std::string& path) {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (!GetFileAttributesExW(FileSystemPath(path).c_str(), GetFileExInfoStandard, &data))
            data.dwFileAttributes = INVALID_FILE_ATTRIBUTES;
        visit_({path, SizeOf(data.nFileSizeHigh, data.nFileSizeLow), data.dwFileAttributes});
    }

    void Folder(const std::string& folder, bool recurse) {
        WIN32_FIND_DATAW found = {};
        UniqueFindHandle search(FindFirstFileW((FileSystemPath(folder) + L"*").c_str(), &found));
        if (!search) {
            DWORD error = GetLastError();
            if (error == ERROR_ACCESS_DENIED)
                visit_({folder, 0, INVALID_FILE_ATTRIBUTES, AddFileResult::NoAccess});
            else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
                visit_({folder, 0, INVALID_FILE_ATTRIBUTES, AddFileResult::Missing});
            return;
        }
        do {
            if (cancel_.load()) return;
            std::string name = Utf8FromWide(found.cFileName);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                visit_({folder + name, SizeOf(found.nFileSizeHigh, found.nFileSizeLow), found.dwFileAttributes});
            else if (recurse && name != "." && name != "..")
                Folder(folder + name + "\\", true);
        } while (FindNextFileW(search.get(), &found));
    }

private:
    const std::atomic<bool>& cancel_;
    const std::function<void(WalkedFile&&)>& visit_;
};
}  // namespace

void WalkRows(const std::vector<FileEntry>& rows, bool recurse, const std::atomic<bool>& cancel,
              const std::function<void(WalkedFile&&)>& visit) {
    Walk walk(cancel, visit);
    for (const FileEntry& row : rows) {
        if (cancel.load()) return;
        if (row.isFolder())
            walk.Folder(row.path, recurse);
        else
            walk.File(row.path);
    }
}

}  // namespace parcelon
