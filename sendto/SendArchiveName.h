// The archive's name for what was sent: one folder or one file gives its own name with
// ".zip", several give "attach.zip".
#pragma once

#include <string>
#include <vector>

namespace parcelon {

// UTF-8 paths in, a UTF-8 file name out.
std::string SendArchiveName(const std::vector<std::string>& paths);

}  // namespace parcelon
