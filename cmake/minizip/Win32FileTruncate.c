/* minizip's Win32 file functions, compiled here with one addition that needs their
   stream's layout: ending the file where it is, for an archive that came out shorter
   than what was once written (an entry taken back). */
#include "iowin32.c"

#include "ZipWriterAdditions.h"

int win32_truncate_file_func(voidpf stream) {
    if (stream == NULL) return -1;
    return SetEndOfFile(((WIN32FILE_IOWIN*)stream)->hf) ? 0 : -1;
}
