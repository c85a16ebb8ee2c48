// A file to pack, opened once: its attributes, last-write time and size come from the open
// handle, and its bytes are read at given offsets so that several threads can share it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <windows.h>

#include "common/UniqueResource.h"

namespace parcelon {

enum class AddFileResult;

struct SourceFile {
    std::shared_ptr<UniqueFile> handle;
    DWORD attributes = 0;
    FILETIME lastWrite = {};
    uint64_t size = 0;
};

// Opens the file at the UTF-8 path for reading without sharing it, so a file another
// program holds open is refused. Returns Added on success, else why it cannot be packed.
AddFileResult OpenSourceFile(const std::string& path, SourceFile& source);

// Reads up to `length` bytes at `offset`; false on a read error. `read` is 0 at the end.
bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD length, DWORD& read);

// Reads on from the handle's own position, for a file that one thread alone reads from its
// start. Under Wine a read at an offset costs a round trip to its server; this one does not.
bool ReadOn(HANDLE file, void* buffer, DWORD length, DWORD& read);

}  // namespace parcelon
