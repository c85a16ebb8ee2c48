// The progress of packing, in controls added below the dialog's own.
#include "ProgressPanel.h"

#include <commctrl.h>
#include <cwchar>

#include "DialogDpi.h"
#include "client/resources/ResourceIds.h"
#include "common/TextConversion.h"

namespace parcelon {

namespace {
// In dialog units, below the buttons at the foot of the template.
constexpr int kPanelHeight = 46;
constexpr int kRangeSteps = 1000;

std::wstring Megabytes(uint64_t bytes) {
    wchar_t text[32];
    swprintf(text, 32, L"%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

HWND AddControl(HWND dialog, const wchar_t* className, DWORD style, int id, const RECT& units) {
    RECT r = DialogUnitsToPixels(dialog, units);
    HWND control = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   nullptr, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(dialog)), FALSE);
    return control;
}
}  // namespace

void ProgressPanel::Show() {
    if (shown_ || !IsWindow(dialog_)) return;
    shown_ = true;
    RECT client = {};
    GetClientRect(dialog_, &client);
    grownBy_ = DialogUnitsToPixels(dialog_, {0, 0, 0, kPanelHeight}).bottom;
    RECT window = {};
    GetWindowRect(dialog_, &window);
    SetWindowPos(dialog_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + grownBy_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The panel sits in the room just added below the template.
    AddControl(dialog_, L"STATIC", SS_LEFT | SS_NOPREFIX, IDC_PACK_STATUS, {7, top_, right_, top_ + 10});
    HWND bar = AddControl(dialog_, PROGRESS_CLASSW, PBS_SMOOTH, IDC_PACK_PROGRESS, {7, top_ + 11, right_, top_ + 21});
    SendMessageW(bar, PBM_SETRANGE32, 0, kRangeSteps);
    AddControl(dialog_, L"STATIC", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, IDC_PACK_FILE,
               {7, top_ + 24, right_, top_ + 34});
}

void ProgressPanel::Update(const PackProgress& progress) {
    if (!shown_ || !IsWindow(dialog_)) return;
    uint64_t done = progress.doneBytes.load(), total = progress.totalBytes.load();
    uint64_t files = progress.doneFiles.load(), totalFiles = progress.totalFiles.load();
    std::wstring status = progress.cancelled() ? L"Cancelling..."
                                               : std::to_wstring(files) + L" of " + std::to_wstring(totalFiles) +
                                                     L" files done (" + Megabytes(done) + L" of " +
                                                     Megabytes(total) + L")";
    SetDlgItemTextW(dialog_, IDC_PACK_STATUS, status.c_str());
    int position = total == 0 ? 0 : static_cast<int>(kRangeSteps * std::min<uint64_t>(done, total) / total);
    SendDlgItemMessageW(dialog_, IDC_PACK_PROGRESS, PBM_SETPOS, position, 0);
    SetDlgItemTextW(dialog_, IDC_PACK_FILE, WideFromUtf8(progress.CurrentFile()).c_str());
}

ProgressPanel::~ProgressPanel() {
    if (!shown_ || !IsWindow(dialog_)) return;
    for (int id : {IDC_PACK_STATUS, IDC_PACK_PROGRESS, IDC_PACK_FILE}) DestroyWindow(GetDlgItem(dialog_, id));
    RECT window = {};
    GetWindowRect(dialog_, &window);
    SetWindowPos(dialog_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top - grownBy_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace parcelon
