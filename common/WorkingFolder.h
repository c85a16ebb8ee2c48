// A private folder for the files of one packing or one attach: a new folder below the
// user's temporary folder (%TEMP%\Parcelon\<unique>), which has the permissions of the
// user's profile, so no other user of the machine reads what is packed there and no two
// packings, in one Outlook or in two, ever share a path. While it lives it holds a lock
// file open with no sharing; a folder whose lock nobody holds was left by an Outlook that
// ended during a packing.
#pragma once

#include <string>

#include "UniqueResource.h"

namespace parcelon {

class WorkingFolder {
public:
    // Creates the folder and its lock; `created()` is false when that fails.
    WorkingFolder();
    // Deletes the folder and everything in it.
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    bool created() const { return !path_.empty(); }
    // UTF-8, ending with a backslash; empty when the folder could not be created.
    const std::string& path() const { return path_; }

private:
    std::string path_;
    UniqueFile lock_;
};

// %TEMP%\Parcelon\, where the working folders are made.
std::string WorkingFoldersRoot();

// Deletes the working folders that no running process owns, and leaves the others; only a
// listing of the folders when none was left behind. Returns how many were deleted.
size_t RemoveAbandonedWorkingFolders();

// Deletes a folder with everything in it; false when anything is left.
bool DeleteFolderTree(const std::string& folder);

}  // namespace parcelon
