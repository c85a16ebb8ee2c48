// The files of the chosen rows in display order, each with its entry name below its row's
// name at the archive's top (ChosenNames.h): a chosen file as it is, a chosen folder (or
// drive root) by its files in the order the file system lists them, sub-folders depth first. The walk
// is taken a file at a time and keeps only the searches still open, whatever the tree.
// Folders that are links, or that lead back to a folder the walk is in, are not entered:
// a link to a parent would loop until paths run out, and a profile folder holds links.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "ChosenNames.h"
#include "ZipArchiveWriter.h"
#include "client/dialog/FileEntry.h"

namespace parcelon {

// Whether a folder with these listed attributes is a link the walk does not follow: any
// reparse point (junction, symbolic link, mount point). A file that is a link is packed by
// its content.
bool IsFolderLink(DWORD attributes);

struct WalkedFile {
    std::string path;
    std::string name;  // its entry name, in Windows form, "Q3 Report\data\t.csv"
    uint64_t size = 0;  // as listed; the file may change before it is read
    DWORD attributes = INVALID_FILE_ATTRIBUTES;  // as listed
    AddFileResult problem = AddFileResult::Added;  // a folder that cannot be searched or is not followed
};

class FolderWalk {
public:
    FolderWalk(const std::vector<FileEntry>& rows, bool recurse);
    ~FolderWalk();
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    // The next file, or folder that cannot be searched or is not followed; false when the
    // walk has ended.
    bool Next(WalkedFile& file);

    // The rows that stand under another name than their own, since an earlier row has it.
    const std::vector<RenamedRow>& renamed() const { return top_.renamed; }

private:
    struct Search;
    bool Enter(const std::string& folder, DWORD attributes, WalkedFile& problem);
    bool IsOnWalkPath(const BY_HANDLE_FILE_INFORMATION& identity) const;

    const std::vector<FileEntry>& rows_;
    const bool recurse_;
    const TopNames top_;
    size_t nextRow_ = 0;
    std::vector<std::unique_ptr<Search>> searches_;  // the folders being listed, innermost last
};

// Calls `visit` for every file, and for every folder that cannot be searched, until the
// walk ends or `cancel` is set.
void WalkRows(const std::vector<FileEntry>& rows, bool recurse, const std::atomic<bool>& cancel,
              const std::function<void(WalkedFile&&)>& visit);

}  // namespace parcelon
