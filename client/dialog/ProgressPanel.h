// The progress of packing, shown in controls added below the dialog's own while the work
// runs: files done of the total, a bar of the bytes done and the file being read.
#pragma once

#include <windows.h>

#include "client/compress/PackProgress.h"

namespace parcelon {

class ProgressPanel {
public:
    explicit ProgressPanel(HWND dialog) : dialog_(dialog) {}
    ~ProgressPanel();
    ProgressPanel(const ProgressPanel&) = delete;
    ProgressPanel& operator=(const ProgressPanel&) = delete;

    // Grows the dialog and adds the controls; once.
    void Show();
    bool shown() const { return shown_; }
    void Update(const PackProgress& progress);

private:
    HWND dialog_;
    bool shown_ = false;
    int grownBy_ = 0;  // pixels
};

}  // namespace parcelon
