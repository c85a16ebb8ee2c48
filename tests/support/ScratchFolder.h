// A folder of real files for one test, under C:\parcelon-tests, removed afterwards. Paths
// are UTF-8 and may be of any length.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

namespace testing_support {

class ScratchFolder {
public:
    // `root` is where the folder goes, with a trailing backslash.
    explicit ScratchFolder(const std::string& root = "C:\\parcelon-tests\\");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Full path of a name inside, with a trailing backslash for "" .
    std::string path(const std::string& relative = "") const { return path_ + relative; }
    // Writes a file (folders on the way are made) and returns its full path.
    std::string Write(const std::string& relative, const std::string& content) const;
    std::string MakeFolder(const std::string& relative) const;

private:
    std::string path_;
};

// Creates every folder of `path` that is missing.
void MakeFolders(const std::string& path);
// Removes a folder with everything in it, read-only files included.
void RemoveTree(const std::string& folder);
// Sets a file's last-write time from calendar fields given in local time.
bool SetLocalWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                       WORD second);
std::string ReadWholeFile(const std::string& path);
// What stands in %TEMP%\Parcelon: the names of working folders (and anything else) left.
std::vector<std::string> WorkingFoldersLeft();

}  // namespace testing_support
