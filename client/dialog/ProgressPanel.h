// The progress of packing, shown in controls added below the dialog's own while the work
// runs: files done of the total, a bar of the bytes done and the file being read.
#pragma once

#include <windows.h>

#include "client/compress/PackProgress.h"

namespace parcelon {

class ProgressPanel {
public:
    // The panel goes below `top` (dialog units, the foot of the window's template) and
    // reaches `right`; the attachment dialog's unless told.
    explicit ProgressPanel(HWND dialog, int top = 252, int right = 344) : dialog_(dialog), top_(top), right_(right) {}
    ~ProgressPanel();
    ProgressPanel(const ProgressPanel&) = delete;
    ProgressPanel& operator=(const ProgressPanel&) = delete;

    // Grows the dialog and adds the controls; once.
    void Show();
    bool shown() const { return shown_; }
    void Update(const PackProgress& progress);

private:
    HWND dialog_;
    int top_;
    int right_;
    bool shown_ = false;
    int grownBy_ = 0;  // pixels
};

}  // namespace parcelon
