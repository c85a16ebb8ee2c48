// Folders and environment texts that the system names, read through the wide calls
// without a length limit and handed on as UTF-8.
#pragma once

#include <string>

namespace parcelon {

// The user's temporary folder, ending with a backslash; empty when the system has none.
std::string TemporaryFolder();
// `text` with every %NAME% of a set environment variable replaced; `text` unchanged when
// that fails.
std::string ExpandEnvironmentText(const std::string& text);
// The folder of the Windows installation, for example C:\Windows; empty on failure.
std::string WindowsFolder();
// The full path of a module of this process (none: the executable); empty on failure.
std::string ModulePath(void* module);

}  // namespace parcelon
