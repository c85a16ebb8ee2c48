// The attachment dialog: opening, commands, list notifications, closing.
#include "AttachmentDialog.h"

#include <commctrl.h>
#include <memory>
#include <vector>

#include "ArchiveName.h"
#include "AttachOptions.h"
#include "AttachReportText.h"
#include "ChosenFilesList.h"
#include "CommonControls.h"
#include "FolderBrowserList.h"
#include "ListRows.h"
#include "ProgressPanel.h"
#include "client/compress/CompressAndAttach.h"
#include "client/resources/ResourceIds.h"
#include "common/DiagnosticLog.h"
#include "common/ResourceText.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "common/WindowDC.h"

namespace parcelon {

namespace {
using UniqueImageList = UniqueResource<NullIsInvalid<HIMAGELIST, &DestroyImageListLate>>;

constexpr COLORREF kTransparentColour = RGB(255, 0, 255);
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressTickMs = 100;
// Packing that ends sooner shows no progress at all.
constexpr DWORD kProgressDelayMs = 500;
// Posted by the packing workers when they are done.
constexpr UINT kPackingEnded = WM_APP + 1;

// One OK's packing while it runs: what the workers report and where it is shown.
struct PackingRun {
    explicit PackingRun(HWND dialog) : panel(dialog) {}
    PackProgress progress;
    ProgressPanel panel;
    std::vector<HWND> disabled;        // enabled again at the end
    std::unique_ptr<PackingJob> job;   // packing into an archive: ends on kPackingEnded
};

// Everything of one open dialog; a second dialog opened from another mail window has its own.
struct DialogState {
    HINSTANCE resources = nullptr;
    MailItem mailItem;  // a counted reference of this dialog's own
    HWND browser = nullptr;
    HWND chosen = nullptr;
    HWND browseEdit = nullptr;
    HWND archiveEdit = nullptr;
    HWND balloon = nullptr;  // owned by the dialog, destroyed with it
    UniqueImageList images;
    bool released = false;
    // While OK packs: what the workers report, and where it is shown.
    std::unique_ptr<PackingRun> run;
    PackProgress* packing = nullptr;
    ProgressPanel* panel = nullptr;
    DWORD packingSince = 0;
};

DialogState* StateOf(HWND dialog) { return reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetEnabledBit(HWND window, bool enabled) {
    if (enabled)
        EnableControl(window);
    else
        DisableControl(window);
    InvalidateRect(window, nullptr, TRUE);
}

void OpenDialog(HWND dialog, DialogState& state) {
    state.browser = GetDlgItem(dialog, IDC_BROWSER_LIST);
    state.chosen = GetDlgItem(dialog, IDC_CHOSEN_LIST);
    state.browseEdit = GetDlgItem(dialog, IDC_BROWSE_EDIT);
    state.archiveEdit = GetDlgItem(dialog, IDC_ARCHIVE_NAME);
    state.images.reset(LoadImageListLate(state.resources, IDB_FILE_ICONS, 16, 1, kTransparentColour));
    if (!state.images) PARCELON_LOG_ERROR("The list images could not be loaded (%lu)", GetLastError());
    InstallDropHandler(state.chosen);
    for (HWND list : {state.browser, state.chosen}) {
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(state.images.get()));
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    }
    InsertBrowserColumns(state.browser);
    InsertChosenColumns(state.chosen);

    std::string folder = attachOptions.browseFolder;
    ListFolder(state.browser, folder);
    SetWindowTextW(state.browseEdit, WideFromUtf8(attachOptions.browseFolder).c_str());
    CheckDlgButton(dialog, IDC_SUB_FOLDERS, attachOptions.includeSubFolders == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_COMPRESS, attachOptions.compressAttachments == 1 ? BST_CHECKED : BST_UNCHECKED);
    SetWindowTextW(state.archiveEdit, WideFromUtf8(attachOptions.archiveName).c_str());
    SetEnabledBit(state.archiveEdit, attachOptions.compressAttachments == 1);

    POINT corner = CentreOnScreen(dialog);
    SetWindowPos(dialog, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Runs once, on the first of closing and the window's destruction.
void ReleaseDialogState(DialogState& state) {
    if (state.released) return;
    state.released = true;
    RemoveDropHandler(state.chosen);
    for (HWND list : {state.browser, state.chosen}) SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    state.images.reset();
    ClearRows(state.browser);
    ClearRows(state.chosen);
}

INT_PTR CloseDialog(HWND dialog, DialogState& state) {
    ReleaseDialogState(state);
    return EndDialog(dialog, 1);
}

void HideBalloon(DialogState& state) {
    if (state.balloon) SendMessageW(state.balloon, TTM_TRACKACTIVATE, FALSE, 0);
}

TOOLINFOW BalloonTool(HWND dialog, HWND edit) {
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(edit);
    return tool;
}

// A balloon pointing at the edit, as the system shows one for a refused entry.
void ShowBalloon(HWND dialog, DialogState& state, HWND edit, const std::wstring& text) {
    TOOLINFOW tool = BalloonTool(dialog, edit);
    if (!state.balloon) {
        state.balloon = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                        WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, nullptr, nullptr);
        if (!state.balloon) return;
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(state.balloon, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(state.balloon, TTM_SETMAXTIPWIDTH, 0, 300);
    }
    SendMessageW(state.balloon, TTM_SETTITLEW, TTI_ERROR, reinterpret_cast<LPARAM>(L"Archive name"));
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(state.balloon, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    RECT r = {};
    GetWindowRect(edit, &r);
    SendMessageW(state.balloon, TTM_TRACKPOSITION, 0, MAKELPARAM((r.left + r.right) / 2, r.bottom));
    SendMessageW(state.balloon, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

// The typed archive name becomes the option, or is refused with a balloon on the edit.
// A disabled edit (no archive is built) is left alone.
bool TakeOverArchiveName(HWND dialog, DialogState& state) {
    if (attachOptions.compressAttachments != 1) return true;
    ArchiveNameCheck check = CheckArchiveName(WindowText(state.archiveEdit));
    if (!check.problem.empty()) {
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(state.archiveEdit), TRUE);
        ShowBalloon(dialog, state, state.archiveEdit, check.problem);
        return false;
    }
    attachOptions.archiveName = check.name;
    return true;
}

void ShowHelp(HWND dialog, HINSTANCE resources) {
    std::wstring help;
    if (!LoadResourceText(resources, IDR_HELP_TEXT, help)) {
        PARCELON_LOG_ERROR("The help text could not be loaded (%lu)", GetLastError());
        return;
    }
    MessageBoxW(dialog, help.c_str(), L"Parcelon Help", MB_OK | MB_ICONINFORMATION);
}

// Disables every enabled control but Cancel; returns them for enabling again.
std::vector<HWND> DisableAllButCancel(HWND dialog) {
    std::vector<HWND> disabled;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(child) == IDCANCEL || !IsWindowEnabled(child)) continue;
        EnableWindow(child, FALSE);
        disabled.push_back(child);
    }
    return disabled;
}

// Shows the progress after a moment; only Cancel works until the end.
void BeginPacking(HWND dialog, DialogState& state) {
    state.run = std::make_unique<PackingRun>(dialog);
    state.run->disabled = DisableAllButCancel(dialog);
    state.packing = &state.run->progress;
    state.panel = &state.run->panel;
    state.packingSince = GetTickCount();
    SetTimer(dialog, kProgressTimer, kProgressTickMs, nullptr);
}

void EndPacking(HWND dialog, DialogState& state) {
    KillTimer(dialog, kProgressTimer);
    state.packing = nullptr;
    state.panel = nullptr;
    if (!state.run) return;
    for (HWND control : state.run->disabled) EnableWindow(control, TRUE);
    state.run.reset();
}

// Stopped by the user: nothing attached, and the rows stay for another choice. Otherwise
// what was left out is told, and the dialog closes.
INT_PTR AfterPacking(HWND dialog, DialogState& state, const AttachReport& report) {
    if (report.cancelled) return 0;
    std::wstring problems = DescribeAttachReport(report);
    if (!problems.empty()) MessageBoxW(dialog, problems.c_str(), L"Parcelon", MB_OK | MB_ICONWARNING);
    return CloseDialog(dialog, state);
}

// Packing into an archive runs while the dialog's own loop goes on and ends on
// kPackingEnded. Attaching file by file is host calls on this thread: it runs here, and
// the thread answers its messages between two files.
INT_PTR StartPacking(HWND dialog, DialogState& state) {
    std::vector<FileEntry> rows = ChosenRows(state.chosen);
    BeginPacking(dialog, state);
    PackObserver observer;
    observer.progress = state.packing;
    observer.dialog = dialog;
    if (attachOptions.compressAttachments == 1) {
        state.run->job = std::make_unique<PackingJob>(rows, state.mailItem, attachOptions, observer, dialog,
                                                      kPackingEnded);
        return 0;
    }
    AttachReport report = CompressAndAttach(rows, state.mailItem, attachOptions, observer);
    EndPacking(dialog, state);
    return AfterPacking(dialog, state, report);
}

INT_PTR OnPackingEnded(HWND dialog, DialogState& state) {
    if (!state.run || !state.run->job) return 0;
    AttachReport report = state.run->job->Finish();
    EndPacking(dialog, state);
    return AfterPacking(dialog, state, report);
}

void OnProgressTimer(DialogState& state) {
    if (!state.packing) return;
    if (!state.panel->shown() && GetTickCount() - state.packingSince >= kProgressDelayMs) state.panel->Show();
    state.panel->Update(*state.packing);
}

INT_PTR OnOk(HWND dialog, DialogState& state) {
    HideBalloon(state);
    if (!TakeOverArchiveName(dialog, state)) return 0;
    if (state.mailItem && RowCount(state.chosen) > 0) return StartPacking(dialog, state);
    return CloseDialog(dialog, state);
}

INT_PTR OnCommand(HWND dialog, DialogState& state, int id, int code) {
    if (state.packing) {  // only Cancel works while OK packs
        if (id == IDCANCEL) {
            state.packing->cancel = true;
            state.panel->Update(*state.packing);
        }
        return 0;
    }
    switch (id) {
    case IDOK:
        // Enter in the "Browse:" edit browses; everywhere else it is OK.
        if (GetFocus() == state.browseEdit) {
            BrowseToTypedFolder(dialog, state.browser);
            return 0;
        }
        return OnOk(dialog, state);
    case IDCANCEL:
        return CloseDialog(dialog, state);
    case IDC_HELP_BUTTON:
        ShowHelp(dialog, state.resources);
        break;
    case IDC_ADD:
        AddSelectedFromBrowser(state.chosen, state.browser);
        break;
    case IDC_REMOVE:
        RemoveSelectedEntries(state.chosen);
        break;
    case IDC_BROWSE:
        BrowseToTypedFolder(dialog, state.browser);
        break;
    case IDC_COMPRESS:
        attachOptions.compressAttachments = IsChecked(dialog, IDC_COMPRESS) ? 1 : 0;
        SetEnabledBit(state.archiveEdit, attachOptions.compressAttachments == 1);
        if (attachOptions.compressAttachments != 1) HideBalloon(state);
        break;
    case IDC_SUB_FOLDERS:
        attachOptions.includeSubFolders = IsChecked(dialog, IDC_SUB_FOLDERS) ? 1 : 0;
        break;
    case IDC_ARCHIVE_NAME:
        if (code == EN_CHANGE) HideBalloon(state);
        break;
    default:
        break;
    }
    return 0;
}

void OnNotify(HWND dialog, DialogState& state, const NMHDR& header) {
    if (header.idFrom == IDC_BROWSER_LIST && header.code == NM_DBLCLK) {
        OpenBrowserEntry(dialog, state.browser);
    } else if (header.code == LVN_COLUMNCLICK) {
        int column = reinterpret_cast<const NMLISTVIEW&>(header).iSubItem;
        if (header.idFrom == IDC_BROWSER_LIST) SortRows(state.browser, CompareBrowserEntries, column);
        if (header.idFrom == IDC_CHOSEN_LIST) SortRows(state.chosen, CompareChosenEntries, column);
    }
}
}  // namespace

INT_PTR CALLBACK AttachmentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            OpenDialog(dialog, *reinterpret_cast<DialogState*>(lParam));
            return 0;  // the dialog manager sets no initial focus
        }
        DialogState* state = StateOf(dialog);
        if (!state) return 0;
        switch (message) {
        case WM_COMMAND:
            return OnCommand(dialog, *state, LOWORD(wParam), HIWORD(wParam));
        case WM_NOTIFY:
            OnNotify(dialog, *state, *reinterpret_cast<const NMHDR*>(lParam));
            break;
        case WM_TIMER:
            if (wParam == kProgressTimer) OnProgressTimer(*state);
            break;
        case kPackingEnded:
            return OnPackingEnded(dialog, *state);
        case WM_DESTROY:
            if (state->packing) state->packing->cancel = true;
            // Packing into an archive is stopped and waited for here; attaching file by
            // file ends in the frame below, which still uses the run.
            if (state->run && state->run->job) EndPacking(dialog, *state);
            ReleaseDialogState(*state);
            break;
        default:
            break;
        }
    } catch (const std::exception& error) {
        PARCELON_LOG_ERROR("Attachment dialog, message %u: %s", message, error.what());
    } catch (...) {
        PARCELON_LOG_ERROR("Attachment dialog, message %u: unknown exception", message);
    }
    return 0;
}

INT_PTR RunAttachmentDialog(HINSTANCE resources, HWND owner, const MailItem& mailItem) {
    InitCommonControlsLate(ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS);
    DialogState state;
    state.resources = resources;
    state.mailItem = mailItem;
    INT_PTR result = DialogBoxParamW(resources, MAKEINTRESOURCEW(IDD_ATTACHMENT), owner, AttachmentDialogProc,
                                     reinterpret_cast<LPARAM>(&state));
    if (result == -1) PARCELON_LOG_ERROR("The attachment dialog could not be opened (%lu)", GetLastError());
    return result;
}

void EnableControl(HWND window) {
    LONG style = GetWindowLongW(window, GWL_STYLE);
    if (style & WS_DISABLED) SetWindowLongW(window, GWL_STYLE, style & ~WS_DISABLED);
}

void DisableControl(HWND window) { SetWindowLongW(window, GWL_STYLE, GetWindowLongW(window, GWL_STYLE) | WS_DISABLED); }

POINT CentreOnScreen(HWND window) {
    POINT corner = {20, 20};
    WindowDC dc(window);
    int width = dc ? GetDeviceCaps(dc.get(), HORZRES) : GetSystemMetrics(SM_CXSCREEN);
    int height = dc ? GetDeviceCaps(dc.get(), VERTRES) : GetSystemMetrics(SM_CYSCREEN);
    RECT r = {};
    if (GetWindowRect(window, &r)) {
        corner.x = (width - (r.right - r.left)) / 2;
        corner.y = (height - (r.bottom - r.top)) / 2;
    }
    return corner;
}

}  // namespace parcelon
