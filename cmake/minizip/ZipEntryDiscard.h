/* Additions to minizip's writer and its Win32 file functions, built into the library
   (ZipEntryDiscard.c, Win32FileTruncate.c). */
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

#ifdef __cplusplus
}
#endif
