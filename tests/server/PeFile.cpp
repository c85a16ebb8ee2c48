// Reads the export and import tables of a PE file on disk.
#include "PeFile.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace testing_support {

namespace {
class Image {
public:
    explicit Image(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

    template <class T>
    bool Read(size_t at, T& out) const {
        if (at > bytes_.size() || bytes_.size() - at < sizeof(T)) return false;
        memcpy(&out, &bytes_[at], sizeof(T));
        return true;
    }
    // The file offset of a relative virtual address; 0 when no section holds it.
    size_t Offset(DWORD rva) const {
        for (const IMAGE_SECTION_HEADER& s : sections)
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize)
                return rva - s.VirtualAddress + s.PointerToRawData;
        return 0;
    }
    std::string String(DWORD rva) const {
        size_t at = Offset(rva);
        if (!at || at >= bytes_.size()) return std::string();
        return std::string(&bytes_[at], strnlen(&bytes_[at], bytes_.size() - at));
    }

    std::vector<IMAGE_SECTION_HEADER> sections;

private:
    std::vector<char> bytes_;
};
}  // namespace

bool ReadPeTables(const std::wstring& path, PeTables& tables) {
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) return false;
    Image image(std::vector<char>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()));
    IMAGE_DOS_HEADER dos;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    if (!image.Read(0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || !image.Read(dos.e_lfanew, signature) ||
        signature != IMAGE_NT_SIGNATURE || !image.Read(dos.e_lfanew + 4, header))
        return false;
    tables.machine = header.Machine;
    size_t optional = dos.e_lfanew + 4 + sizeof header;
    WORD magic = 0;
    if (!image.Read(optional, magic)) return false;
    // The data directories follow the fixed part of the optional header.
    size_t directories = optional + (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC ? 112 : 96);
    IMAGE_DATA_DIRECTORY exportDir, importDir;
    if (!image.Read(directories, exportDir) || !image.Read(directories + sizeof exportDir, importDir)) return false;
    size_t sectionAt = optional + header.SizeOfOptionalHeader;
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!image.Read(sectionAt + i * sizeof section, section)) return false;
        image.sections.push_back(section);
    }
    IMAGE_EXPORT_DIRECTORY exports;
    if (exportDir.VirtualAddress && image.Read(image.Offset(exportDir.VirtualAddress), exports)) {
        for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
            DWORD nameRva = 0;
            if (!image.Read(image.Offset(exports.AddressOfNames) + i * 4, nameRva)) return false;
            tables.exports.push_back(image.String(nameRva));
        }
    }
    IMAGE_IMPORT_DESCRIPTOR import;
    for (size_t at = image.Offset(importDir.VirtualAddress); importDir.VirtualAddress && image.Read(at, import) &&
                                                             import.Name;
         at += sizeof import)
        tables.imports.push_back(image.String(import.Name));
    return true;
}

}  // namespace testing_support
