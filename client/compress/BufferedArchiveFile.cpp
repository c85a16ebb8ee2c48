// The archive file seen by the zip library through a buffer of writes or of reads ahead.
#include "BufferedArchiveFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iowin32.h>
#include <vector>

#include "ZipWriterAdditions.h"

namespace parcelon {

namespace {
const zlib_filefunc64_def& Win32Files() {
    static const zlib_filefunc64_def files = [] {
        zlib_filefunc64_def wide = {};
        fill_win32_filefunc64W(&wide);
        return wide;
    }();
    return files;
}

// Bytes [start, start + used) of the file: not yet written, or when `readAhead` is set
// read from the file as they stand there; `position` is where the library believes the
// file pointer to be.
struct BufferedFile {
    voidpf inner = nullptr;
    std::vector<char> buffer;
    uint64_t start = 0;
    size_t used = 0;
    uint64_t position = 0;
    bool readAhead = false;
    bool failed = false;
    bool endWhereWritingEnds = false;

    bool InnerSeek(uint64_t to) {
        return Win32Files().zseek64_file(Win32Files().opaque, inner, to, ZLIB_FILEFUNC_SEEK_SET) == 0;
    }
    bool InnerWrite(const void* bytes, size_t length) {
        const char* at = static_cast<const char*>(bytes);
        while (length > 0) {
            uLong piece = static_cast<uLong>(std::min<size_t>(length, 1u << 30));
            if (Win32Files().zwrite_file(Win32Files().opaque, inner, at, piece) != piece) return false;
            at += piece;
            length -= piece;
        }
        return true;
    }
    bool Flush() {
        if (used > 0 && !readAhead && !failed) failed = !InnerSeek(start) || !InnerWrite(buffer.data(), used);
        readAhead = false;
        used = 0;
        start = position;
        return !failed;
    }
    bool Holds(uint64_t offset) const { return offset >= start && offset <= start + used; }

    uLong Write(const void* bytes, uLong length) {
        if (failed) return 0;
        if (readAhead || (used > 0 && !Holds(position))) Flush();
        if (used == 0) start = position;
        size_t at = static_cast<size_t>(position - start);
        if (at + length > buffer.size()) {
            if (!Flush()) return 0;
            if (length >= buffer.size()) {
                // Too large to gather: straight through, behind what was buffered.
                if (!InnerSeek(position) || !InnerWrite(bytes, length)) {
                    failed = true;
                    return 0;
                }
                position += length;
                start = position;
                return length;
            }
            at = 0;
        }
        memcpy(buffer.data() + at, bytes, length);
        used = std::max<size_t>(used, at + length);
        position += length;
        return length;
    }

    // The library reads a header a field at a time: those reads are served from one read
    // of a buffer's length.
    uLong Read(void* bytes, uLong length) {
        if (!readAhead && !Flush()) return 0;
        char* to = static_cast<char*>(bytes);
        uLong done = 0;
        while (done < length) {
            if (readAhead && position >= start && position < start + used) {
                size_t at = static_cast<size_t>(position - start);
                size_t piece = std::min<size_t>(length - done, used - at);
                memcpy(to + done, buffer.data() + at, piece);
                done += static_cast<uLong>(piece);
                position += piece;
                continue;
            }
            Flush();
            if (!InnerSeek(position)) break;
            if (length - done >= buffer.size()) {
                uLong read = Win32Files().zread_file(Win32Files().opaque, inner, to + done, length - done);
                done += read;
                position += read;
                break;
            }
            used = Win32Files().zread_file(Win32Files().opaque, inner, buffer.data(), static_cast<uLong>(buffer.size()));
            if (used == 0) break;
            readAhead = true;
        }
        if (!readAhead) start = position;
        return done;
    }

    long Seek(ZPOS64_T offset, int origin) {
        switch (origin) {
            case ZLIB_FILEFUNC_SEEK_SET: position = offset; return 0;
            case ZLIB_FILEFUNC_SEEK_CUR: position += offset; return 0;
            case ZLIB_FILEFUNC_SEEK_END:
                if (!Flush() ||
                    Win32Files().zseek64_file(Win32Files().opaque, inner, offset, ZLIB_FILEFUNC_SEEK_END) != 0)
                    return -1;
                position = Win32Files().ztell64_file(Win32Files().opaque, inner);
                start = position;
                return 0;
        }
        return -1;
    }
};

BufferedFile* Buffered(voidpf stream) { return static_cast<BufferedFile*>(stream); }

voidpf ZCALLBACK OpenBuffered(voidpf opaque, const void* path, int mode) {
    voidpf inner = Win32Files().zopen64_file(Win32Files().opaque, path, mode);
    if (!inner) return nullptr;
    auto* file = new BufferedFile;
    file->inner = inner;
    file->buffer.resize(reinterpret_cast<size_t>(opaque));
    file->position = file->start = Win32Files().ztell64_file(Win32Files().opaque, inner);
    return file;
}

uLong ZCALLBACK ReadBuffered(voidpf, voidpf stream, void* bytes, uLong length) {
    return Buffered(stream)->Read(bytes, length);
}

uLong ZCALLBACK WriteBuffered(voidpf, voidpf stream, const void* bytes, uLong length) {
    return Buffered(stream)->Write(bytes, length);
}

ZPOS64_T ZCALLBACK TellBuffered(voidpf, voidpf stream) { return Buffered(stream)->position; }

long ZCALLBACK SeekBuffered(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    return Buffered(stream)->Seek(offset, origin);
}

int ZCALLBACK CloseBuffered(voidpf, voidpf stream) {
    BufferedFile* file = Buffered(stream);
    bool flushed = file->Flush();
    if (flushed && file->endWhereWritingEnds)
        flushed = file->InnerSeek(file->position) && win32_truncate_file_func(file->inner) == 0;
    int closed = Win32Files().zclose_file(Win32Files().opaque, file->inner);
    delete file;
    return flushed ? closed : -1;
}

int ZCALLBACK ErrorBuffered(voidpf, voidpf stream) {
    BufferedFile* file = Buffered(stream);
    return file->failed ? -1 : Win32Files().zerror_file(Win32Files().opaque, file->inner);
}
}  // namespace

void FillBufferedWin32FileFunctions(zlib_filefunc64_def* functions, size_t bufferBytes) {
    functions->zopen64_file = OpenBuffered;
    functions->zread_file = ReadBuffered;
    functions->zwrite_file = WriteBuffered;
    functions->ztell64_file = TellBuffered;
    functions->zseek64_file = SeekBuffered;
    functions->zclose_file = CloseBuffered;
    functions->zerror_file = ErrorBuffered;
    // The library hands this back to every call: here it carries the buffer's size.
    functions->opaque = reinterpret_cast<voidpf>(std::max<size_t>(bufferBytes, 1));
}

void EndArchiveWhereWritingEnds(voidpf stream) {
    if (stream) Buffered(stream)->endWhereWritingEnds = true;
}

}  // namespace parcelon
