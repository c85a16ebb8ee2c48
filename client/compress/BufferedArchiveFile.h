// The archive file seen by the zip library through a buffer: the library writes and reads
// each header field by field and seeks back to patch the sizes into an entry's local
// header; here those land in memory, and the file gets one large write or read per buffer.
#pragma once

#include <cstddef>
#include <ioapi.h>

namespace parcelon {

constexpr size_t kArchiveBufferBytes = 1024 * 1024;
// Enough for a reader to take a central directory's records in few reads.
constexpr size_t kArchiveReadAheadBytes = 64 * 1024;

// The library's wide Win32 file functions behind a buffer of `bufferBytes`. A failed write
// shows on the next write, on the library's error check and on close.
void FillBufferedWin32FileFunctions(zlib_filefunc64_def* functions, size_t bufferBytes = kArchiveBufferBytes);

// For a stream of those functions whose writing went back before bytes already written (an
// entry taken back): on close the file ends where the writing ended, so no longer bytes
// of before stay beyond the archive's last record.
void EndArchiveWhereWritingEnds(voidpf stream);

}  // namespace parcelon
