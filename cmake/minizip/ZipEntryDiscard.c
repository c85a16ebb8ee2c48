/* minizip's writer, compiled here with one addition that needs its internal state: an
   entry being written can be taken back (a source that changed while it was read). */
#include "zip.c"

#include "ZipEntryDiscard.h"

int zipDiscardFileInZip(zipFile file) {
    zip64_internal* zi = (zip64_internal*)file;
    if (zi == NULL || zi->in_opened_file_inzip == 0) return ZIP_PARAMERROR;
    if (zi->ci.stream_initialised == Z_DEFLATED) deflateEnd(&zi->ci.stream);
    zi->ci.stream_initialised = 0;
    TRYFREE(zi->ci.central_header);
    zi->ci.central_header = NULL;
    zi->ci.pos_in_buffered_data = 0;
    zi->in_opened_file_inzip = 0;
    if (ZSEEK64(zi->z_filefunc, zi->filestream, zi->ci.pos_local_header, ZLIB_FILEFUNC_SEEK_SET) != 0)
        return ZIP_ERRNO;
    return ZIP_OK;
}

voidpf zipArchiveStream(zipFile file) { return file == NULL ? NULL : ((zip64_internal*)file)->filestream; }
