// A copy of what is on the clipboard, put back when the snapshot goes.
#include "ClipboardSnapshot.h"

#include <cstring>

namespace parcelon {

namespace {
HANDLE CopyGlobal(HANDLE data) {
    SIZE_T size = GlobalSize(data);
    const void* source = GlobalLock(data);
    if (!source) return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (void* target = copy ? GlobalLock(copy) : nullptr) {
        memcpy(target, source, size);
        GlobalUnlock(copy);
    }
    GlobalUnlock(data);
    return copy;
}

HANDLE CopyMetafilePicture(HANDLE data) {
    const auto* source = static_cast<const METAFILEPICT*>(GlobalLock(data));
    if (!source) return nullptr;
    METAFILEPICT picture = *source;
    GlobalUnlock(data);
    picture.hMF = CopyMetaFileW(picture.hMF, nullptr);
    if (!picture.hMF) return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, sizeof picture);
    if (void* target = copy ? GlobalLock(copy) : nullptr) {
        memcpy(target, &picture, sizeof picture);
        GlobalUnlock(copy);
        return copy;
    }
    DeleteMetaFile(picture.hMF);
    if (copy) GlobalFree(copy);
    return nullptr;
}

// A copy the clipboard can take over, or none for formats whose data cannot be copied
// (owner-drawn and private handles, palettes).
HANDLE CopyFormat(UINT format, HANDLE data) {
    switch (format) {
        case CF_BITMAP:
        case CF_DSPBITMAP:
            return CopyImage(data, IMAGE_BITMAP, 0, 0, 0);
        case CF_ENHMETAFILE:
        case CF_DSPENHMETAFILE:
            return CopyEnhMetaFileW(static_cast<HENHMETAFILE>(data), nullptr);
        case CF_METAFILEPICT:
        case CF_DSPMETAFILEPICT:
            return CopyMetafilePicture(data);
        case CF_OWNERDISPLAY:
        case CF_PALETTE:
            return nullptr;
    }
    if ((format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) || (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST))
        return nullptr;
    return CopyGlobal(data);
}

void FreeFormat(UINT format, HANDLE data) {
    switch (format) {
        case CF_BITMAP:
        case CF_DSPBITMAP:
            DeleteObject(data);
            return;
        case CF_ENHMETAFILE:
        case CF_DSPENHMETAFILE:
            DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data));
            return;
        case CF_METAFILEPICT:
        case CF_DSPMETAFILEPICT:
            if (auto* picture = static_cast<METAFILEPICT*>(GlobalLock(data))) {
                DeleteMetaFile(picture->hMF);
                GlobalUnlock(data);
            }
            break;
    }
    GlobalFree(data);
}
}  // namespace

ClipboardSnapshot::ClipboardSnapshot(HWND owner) : owner_(owner) {
    if (!OpenClipboard(owner_)) return;
    taken_ = true;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        HANDLE data = GetClipboardData(format);
        if (HANDLE copy = data ? CopyFormat(format, data) : nullptr) saved_.push_back({format, copy});
    }
    CloseClipboard();
}

ClipboardSnapshot::~ClipboardSnapshot() {
    if (taken_ && OpenClipboard(owner_)) {
        EmptyClipboard();
        for (Saved& s : saved_)
            if (SetClipboardData(s.format, s.data)) s.data = nullptr;  // the clipboard owns it now
        CloseClipboard();
    }
    for (const Saved& s : saved_)
        if (s.data) FreeFormat(s.format, s.data);
}

}  // namespace parcelon
