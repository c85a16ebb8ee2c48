// Reads what the crash tests check in a minidump file: its signature and exception stream.
#pragma once

#include <optional>
#include <string>
#include <windows.h>

namespace testing_support {

struct DumpedException {
    DWORD threadId = 0;
    DWORD code = 0;
};

bool HasMinidumpSignature(const std::string& content);
// The exception stream (stream type 6) of a dump; none when there is none or it is cut.
std::optional<DumpedException> ReadDumpedException(const std::string& content);

}  // namespace testing_support
