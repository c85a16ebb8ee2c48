// The dialog's options, process-wide and never saved; an administrator's policy sets
// compression and sub-folders each time the dialog opens.
#pragma once

#include <string>

namespace parcelon {

struct AttachOptions {
    int compressAttachments = 1;  // 1: one archive; other values: file by file
    int includeSubFolders = 1;    // 1: walk sub-folders of a chosen folder
    std::string archiveName = "attach.zip";  // UTF-8
    std::string browseFolder = "C:\\";       // UTF-8
};

extern AttachOptions attachOptions;

}  // namespace parcelon
