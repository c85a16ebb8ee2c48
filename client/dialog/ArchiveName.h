// The archive name typed into the dialog: trimmed, given ".zip", refused when Windows
// cannot name a file so.
#pragma once

#include <string>

namespace parcelon {

struct ArchiveNameCheck {
    std::string name;      // UTF-8, the name to use when accepted
    std::wstring problem;  // empty when accepted; otherwise what is wrong, for the user
};

ArchiveNameCheck CheckArchiveName(const std::wstring& typed);

}  // namespace parcelon
