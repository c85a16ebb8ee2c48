/* minizip's writer, compiled here with additions that need its internal state: an entry
   being written can be taken back (a source that changed while it was read), and the
   zip64 records are written where an archive needs them and nowhere else, keeping what
   the library's own zip64 path drops. */
#include "zip.c"

#include "ZipWriterAdditions.h"

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

int zipEntryNeedsZip64(ZPOS64_T size) {
    /* Deflate's worst-case growth (zlib's deflateBound for raw streams), with room to spare:
       the compressed size may pass 4 GiB a little after the size itself. */
    ZPOS64_T bound = size + (size >> 12) + (size >> 14) + (size >> 25) + 64;
    return bound >= 0xffffffff;
}

/* Sets byte `at` of the central directory counted from (`block`, `filled`), where the
   list stood before a header was added; the header may run on into the next blocks. */
local void SetCentralDirectoryByte(linkedlist_data* list, linkedlist_datablock_internal* block, uLong filled,
                                   uLong at, unsigned char value) {
    if (block == NULL) {
        block = list->first_block;
        filled = 0;
    }
    at += filled;
    while (block != NULL && at >= block->filled_in_this_block) {
        at -= block->filled_in_this_block;
        block = block->next_datablock;
    }
    if (block != NULL) block->data[at] = value;
}

int zipCloseFileInZipKeepingHost(zipFile file, ZPOS64_T uncompressed_size, uLong crc32) {
    zip64_internal* zi = (zip64_internal*)file;
    linkedlist_datablock_internal* block;
    uLong filled;
    unsigned char host;
    int localZip64, err;
    ZPOS64_T compressed, localHeader, extra, end;
    if (zi == NULL || zi->in_opened_file_inzip == 0) return ZIP_PARAMERROR;
    /* The library writes "version made by" 45 over the whole field once sizes or the
       offset pass 4 GiB, turning the host into MS-DOS: readers then take names as code
       page 437 and attributes as DOS ones. The host byte is put back. */
    host = (unsigned char)zi->ci.central_header[5];
    block = zi->central_dir.last_block;
    filled = block != NULL ? block->filled_in_this_block : 0;
    localZip64 = zi->ci.zip64 && zi->ci.pos_zip64extrainfo > 0;
    localHeader = zi->ci.pos_local_header;
    extra = zi->ci.pos_zip64extrainfo;
    err = zipCloseFileInZipRaw64(file, uncompressed_size, crc32);
    if (err != ZIP_OK) return err;
    SetCentralDirectoryByte(&zi->central_dir, block, filled, 5, host);
    compressed = zi->ci.totalCompressedData;
    if (!localZip64 || uncompressed_size >= 0xffffffff) return ZIP_OK;
    /* A local header opened for zip64 whose size stayed under 4 GiB: the library writes the
       sizes into the header's own fields, the compressed one cut to 32 bits should it have
       passed 4 GiB. Both go into the zip64 field instead, as the format wants of a local
       header that has one. */
    end = ZTELL64(zi->z_filefunc, zi->filestream);
    if (ZSEEK64(zi->z_filefunc, zi->filestream, localHeader + 18, ZLIB_FILEFUNC_SEEK_SET) != 0 ||
        zip64local_putValue(&zi->z_filefunc, zi->filestream, 0xffffffff, 4) != ZIP_OK ||
        zip64local_putValue(&zi->z_filefunc, zi->filestream, 0xffffffff, 4) != ZIP_OK ||
        ZSEEK64(zi->z_filefunc, zi->filestream, extra + 4, ZLIB_FILEFUNC_SEEK_SET) != 0 ||
        zip64local_putValue(&zi->z_filefunc, zi->filestream, uncompressed_size, 8) != ZIP_OK ||
        zip64local_putValue(&zi->z_filefunc, zi->filestream, compressed, 8) != ZIP_OK ||
        ZSEEK64(zi->z_filefunc, zi->filestream, end, ZLIB_FILEFUNC_SEEK_SET) != 0)
        return ZIP_ERRNO;
    return ZIP_OK;
}

int zipCloseArchive(zipFile file) {
    zip64_internal* zi = (zip64_internal*)file;
    int err = ZIP_OK;
    uLong size_centraldir = 0;
    ZPOS64_T centraldir_pos_inzip, pos;
    linkedlist_datablock_internal* block;
    if (zi == NULL) return ZIP_PARAMERROR;
    if (zi->in_opened_file_inzip == 1) err = zipCloseFileInZip(file);
    centraldir_pos_inzip = ZTELL64(zi->z_filefunc, zi->filestream);
    for (block = zi->central_dir.first_block; err == ZIP_OK && block != NULL; block = block->next_datablock) {
        if (block->filled_in_this_block > 0 &&
            ZWRITE64(zi->z_filefunc, zi->filestream, block->data, block->filled_in_this_block) !=
                block->filled_in_this_block)
            err = ZIP_ERRNO;
        size_centraldir += block->filled_in_this_block;
    }
    free_linkedlist(&zi->central_dir);
    /* The library writes the zip64 end records only for a central directory past 4 GiB;
       an archive of 65535 entries or more needs them as well, its end record holding
       0xffff where the count would be. */
    pos = centraldir_pos_inzip - zi->add_position_when_writting_offset;
    if (err == ZIP_OK && (pos >= 0xffffffff || zi->number_entry >= 0xffff)) {
        ZPOS64_T zip64End = ZTELL64(zi->z_filefunc, zi->filestream);
        err = Write_Zip64EndOfCentralDirectoryRecord(zi, size_centraldir, centraldir_pos_inzip);
        if (err == ZIP_OK) err = Write_Zip64EndOfCentralDirectoryLocator(zi, zip64End);
    }
    if (err == ZIP_OK) err = Write_EndOfCentralDirectoryRecord(zi, size_centraldir, centraldir_pos_inzip);
    if (err == ZIP_OK) err = Write_GlobalComment(zi, zi->globalcomment);
    if (ZCLOSE64(zi->z_filefunc, zi->filestream) != 0 && err == ZIP_OK) err = ZIP_ERRNO;
    TRYFREE(zi->globalcomment);
    TRYFREE(zi);
    return err;
}
