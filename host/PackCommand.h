// parcelon-host pack: packs files and folders into an archive with the add-in's engine and
// keeps the archive.
#pragma once

#include <string>
#include <vector>

namespace host {

// `arguments` follow the word "pack". Returns the process's exit code.
int RunPackCommand(const std::vector<std::string>& arguments);

}  // namespace host
