// A copy of what is on the clipboard, put back when the snapshot goes: the face bitmap is
// pasted through the clipboard, and the user's copied text must survive that.
#pragma once

#include <vector>
#include <windows.h>

namespace parcelon {

class ClipboardSnapshot {
public:
    // Copies every format whose data can be copied (global memory, bitmaps, metafiles).
    explicit ClipboardSnapshot(HWND owner);
    // Empties the clipboard and puts the copies back.
    ~ClipboardSnapshot();
    ClipboardSnapshot(const ClipboardSnapshot&) = delete;
    ClipboardSnapshot& operator=(const ClipboardSnapshot&) = delete;

    // False when the clipboard could not be opened: nothing may then be put on it.
    bool taken() const { return taken_; }
    size_t formats() const { return saved_.size(); }

private:
    struct Saved {
        UINT format;
        HANDLE data;
    };

    HWND owner_;
    bool taken_ = false;
    std::vector<Saved> saved_;
};

}  // namespace parcelon
