// A DROPFILES block of wide paths, as Explorer drops them.
#include "DropFiles.h"

#include <shlobj.h>

namespace host {

HGLOBAL MakeDropFiles(const std::vector<std::wstring>& paths) {
    size_t chars = 1;  // the list ends with an empty path
    for (const auto& p : paths) chars += p.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    if (!block) return nullptr;
    auto* files = static_cast<DROPFILES*>(GlobalLock(block));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(files + 1);
    for (const auto& p : paths) {
        p.copy(text, p.size());
        text += p.size() + 1;
    }
    GlobalUnlock(block);
    return block;
}

}  // namespace host
