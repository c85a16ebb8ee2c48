// A file to pack, opened once: its attributes, last-write time and size come from the open
// handle, and its bytes are read at given offsets so that several threads can share it.
// Other programs may go on reading and writing it meanwhile (Word and Excel keep an open
// document open), so what was read counts only when the file did not change under it.
#pragma once

#include <atomic>
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

// Opens the file at the UTF-8 path for reading, sharing it for reading, writing and
// deleting, so only a program that shares nothing keeps it from being read (Locked).
// Returns Added on success, else why it cannot be packed.
AddFileResult OpenSourceFile(const std::string& path, SourceFile& source);

// Whether the file's size or last-write time, asked of the open handle now, differ from
// those taken when it was opened or last stamped; a handle that cannot be asked counts as
// changed.
bool SourceFileChanged(const SourceFile& source);
// Takes the size and last-write time afresh and moves the handle's own position back to
// the start, for reading the file once more; false when the handle cannot be asked.
bool RestampSourceFile(SourceFile& source);

// Copies the file at `path` to `copyPath` (both UTF-8) by the same rule: shared opening,
// read once more when it changed while it was read, Changed when it changes again. Added,
// or why there is no copy; a copy not made whole is deleted.
AddFileResult CopySourceFile(const std::string& path, const std::string& copyPath);

// The call every read of a source file goes through: ReadFile, or what a test puts in its
// place to make reads fail part way, block or throw.
using ReadFileCall = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
extern std::atomic<ReadFileCall> sourceFileRead;

// Reads up to `length` bytes at `offset`; false on a read error. `read` is 0 at the end.
bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD length, DWORD& read);

// Reads on from the handle's own position, for a file that one thread alone reads from its
// start. Under Wine a read at an offset costs a round trip to its server; this one does not.
bool ReadOn(HANDLE file, void* buffer, DWORD length, DWORD& read);

}  // namespace parcelon
