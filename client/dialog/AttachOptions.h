// The dialog's options, process-wide and never saved.
#pragma once

#include <string>

namespace parcelon {

struct AttachOptions {
    int compressAttachments = 1;  // 1: one archive; other values: file by file
    int includeSubFolders = 1;    // 1: walk sub-folders of a chosen folder
    std::string archiveName = "attach.zip";
    std::string browseFolder = "C:\\";
};

extern AttachOptions attachOptions;

}  // namespace parcelon
