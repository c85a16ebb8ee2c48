// Reads the export and import tables of a PE file on disk, without loading it.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

namespace testing_support {

struct PeTables {
    WORD machine = 0;
    std::vector<std::string> exports;  // by name, in table order
    std::vector<std::string> imports;  // DLL names
};

// False when the file cannot be read or is not a PE image.
bool ReadPeTables(const std::wstring& path, PeTables& tables);

}  // namespace testing_support
