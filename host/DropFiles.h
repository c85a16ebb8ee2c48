// A shell drop of files and folders, as Explorer hands it to a window: a DROPFILES block
// of wide paths in movable global memory.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

namespace host {

// The block for WM_DROPFILES, or null when no memory could be had. The window that takes
// the drop frees it (DragFinish).
HGLOBAL MakeDropFiles(const std::vector<std::wstring>& paths);

}  // namespace host
