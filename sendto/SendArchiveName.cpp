// The archive's name for what was sent.
#include "SendArchiveName.h"

#include "client/dialog/ArchiveName.h"
#include "client/dialog/AttachOptions.h"
#include "common/TextConversion.h"

namespace parcelon {

std::string SendArchiveName(const std::vector<std::string>& paths) {
    const std::string several = AttachOptions().archiveName;
    if (paths.size() != 1) return several;
    std::string path = paths.front();
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    size_t separator = path.find_last_of("\\/:");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    if (name.empty()) return several;  // a drive
    // A name Windows cannot give a file (never one from disk, but the rules are the dialog's).
    ArchiveNameCheck check = CheckArchiveName(WideFromUtf8(name + ".zip"));
    return check.problem.empty() ? check.name : several;
}

}  // namespace parcelon
