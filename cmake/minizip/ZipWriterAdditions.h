/* Additions to minizip's writer and its Win32 file functions, built into the library
   (ZipWriterAdditions.c, Win32FileTruncate.c). */
#pragma once

#include <zip.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Takes back the entry opened last and not yet closed: its central header is dropped and
   the archive's write position goes back to where its local header began. */
int zipDiscardFileInZip(zipFile file);

/* The stream of the archive's file functions. */
voidpf zipArchiveStream(zipFile file);

/* Ends the file of an iowin32 stream at its current position; 0 on success. */
int win32_truncate_file_func(voidpf stream);

/* Whether an entry of `size` bytes is opened with zip64 sizes (the last argument of
   zipOpenNewFileInZip4_64): when its size or its compressed size may reach 4 GiB. */
int zipEntryNeedsZip64(ZPOS64_T size);

/* zipCloseFileInZipRaw64, keeping the entry's "version made by" host when its sizes or
   offset pass 4 GiB, and with both sizes in the zip64 field of a local header that has
   one. */
int zipCloseFileInZipKeepingHost(zipFile file, ZPOS64_T uncompressed_size, uLong crc32);

/* zipClose with the archive's own comment, writing the zip64 end records when the archive
   holds 65535 entries or more or its central directory starts past 4 GiB, and only then. */
int zipCloseArchive(zipFile file);

#ifdef __cplusplus
}
#endif
