// The attachment dialog: opening, commands, list notifications, closing.
#include "AttachmentDialog.h"

#include <algorithm>
#include <commctrl.h>
#include <memory>
#include <vector>

#include "ArchiveName.h"
#include "AttachOptions.h"
#include "AttachReportText.h"
#include "ChosenFilesList.h"
#include "DialogDpi.h"
#include "CommonControls.h"
#include "FolderBrowserList.h"
#include "ListRows.h"
#include "ProgressPanel.h"
#include "ScaledPicture.h"
#include "client/compress/CompressAndAttach.h"
#include "client/resources/ResourceIds.h"
#include "common/ActivationContext.h"
#include "common/DiagnosticLog.h"
#include "common/DpiAwareness.h"
#include "common/EntryGuard.h"
#include "common/Policy.h"
#include "common/ResourceText.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

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
    // Shared with the workers, which may go on for a moment after the dialog has ended.
    std::shared_ptr<PackProgress> progress = std::make_shared<PackProgress>();
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
    UniqueGdiObject banner;  // shown by the banner control, drawn for `scale`
    DialogScale scale;       // what the pictures and the layout are made for
    bool released = false;
    // While OK packs: what the workers report, and where it is shown.
    std::unique_ptr<PackingRun> run;
    PackProgress* packing = nullptr;
    ProgressPanel* panel = nullptr;
    DWORD packingSince = 0;
    bool endWhenStopped = false;  // the host is going: a stopped packing ends the dialog
    // The finished archive is being delivered: its questions run loops of their own, in
    // which the host may end the dialog; the run stays until they are answered.
    bool delivering = false;
};

// The dialogs open now; all of them run on the host's user-interface thread.
std::vector<HWND>& OpenDialogs() {
    static std::vector<HWND> dialogs;
    return dialogs;
}

DialogState* StateOf(HWND dialog) { return reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetEnabledBit(HWND window, bool enabled) {
    if (enabled)
        EnableControl(window);
    else
        DisableControl(window);
    InvalidateRect(window, nullptr, TRUE);
}

HWND BannerOf(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) return child;
    return nullptr;
}

// The list images and the banner drawn nearest to the dialog's DPI.
void LoadPictures(HWND dialog, DialogState& state) {
    UniqueImageList images(LoadImageListLate(state.resources, PictureIdForDpi(IDB_FILE_ICONS, state.scale.dpi()),
                                             PictureSizeForDpi(16, state.scale.dpi()), 1, kTransparentColour,
                                             LR_CREATEDIBSECTION));
    if (!images) PARCELON_LOG_ERROR("The list images could not be loaded (%lu)", GetLastError());
    for (HWND list : {state.browser, state.chosen})
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.get()));
    state.images = std::move(images);

    UniqueGdiObject banner = LoadPictureForDpi(state.resources, IDB_BANNER, state.scale.dpi());
    if (HWND control = BannerOf(dialog)) {
        // What the control had came from the template and is the control's to give up.
        auto previous = reinterpret_cast<HGDIOBJ>(
            SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(banner.get())));
        if (previous && previous != state.banner.get()) DeleteObject(previous);
    }
    state.banner = std::move(banner);
}

void OpenDialog(HWND dialog, DialogState& state) {
    state.browser = GetDlgItem(dialog, IDC_BROWSER_LIST);
    state.chosen = GetDlgItem(dialog, IDC_CHOSEN_LIST);
    state.browseEdit = GetDlgItem(dialog, IDC_BROWSE_EDIT);
    state.archiveEdit = GetDlgItem(dialog, IDC_ARCHIVE_NAME);
    state.scale.Begin(dialog);
    LoadPictures(dialog, state);
    InstallDropHandler(state.chosen);
    for (HWND list : {state.browser, state.chosen})
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    InsertBrowserColumns(state.browser);
    InsertChosenColumns(state.chosen);

    // An administrator's policy sets the options each time the dialog opens; the user may
    // still change them.
    attachOptions.includeSubFolders =
        static_cast<int>(ReadPolicyInRange(L"IncludeSubFolders", 0, 1).value_or(attachOptions.includeSubFolders));
    attachOptions.compressAttachments =
        static_cast<int>(ReadPolicyInRange(L"CompressAttachments", 0, 1).value_or(attachOptions.compressAttachments));
    std::string folder = attachOptions.browseFolder;
    ListFolder(state.browser, folder);
    SetWindowTextW(state.browseEdit, WideFromUtf8(attachOptions.browseFolder).c_str());
    CheckDlgButton(dialog, IDC_SUB_FOLDERS, attachOptions.includeSubFolders == 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_COMPRESS, attachOptions.compressAttachments == 1 ? BST_CHECKED : BST_UNCHECKED);
    SetWindowTextW(state.archiveEdit, WideFromUtf8(attachOptions.archiveName).c_str());
    SetEnabledBit(state.archiveEdit, attachOptions.compressAttachments == 1);

    POINT corner = CentreOnScreen(dialog);
    SetWindowPos(dialog, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetFocus(state.browser);
}

// Moved to a screen of another scale: laid out again, with the pictures drawn nearest to it.
void OnDpiChanged(HWND dialog, DialogState& state, WPARAM wParam, LPARAM lParam) {
    if (state.scale.Change(dialog, wParam, lParam)) LoadPictures(dialog, state);
}

// Runs once, on the first of closing and the window's destruction.
void ReleaseDialogState(DialogState& state) {
    if (state.released) return;
    state.released = true;
    RemoveDropHandler(state.chosen);
    for (HWND list : {state.browser, state.chosen}) SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    state.images.reset();
    if (HWND banner = BannerOf(state.browser ? GetParent(state.browser) : nullptr))
        SendMessageW(banner, STM_SETIMAGE, IMAGE_BITMAP, 0);
    state.banner.reset();
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
    state.packing = state.run->progress.get();
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
// what was left out or renamed is told, and the dialog closes.
INT_PTR AfterPacking(HWND dialog, DialogState& state, const AttachReport& report) {
    if (report.cancelled) return state.endWhenStopped ? CloseDialog(dialog, state) : 0;
    std::wstring stop = DescribeAttachStop(report);
    if (!stop.empty())
        MessageBoxW(dialog, stop.c_str(), L"Parcelon", MB_OK | MB_ICONWARNING);
    else if (HasReportRows(report))
        ShowReport(state.resources, dialog, LeftOutReport(report));
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
        state.run->job = std::make_unique<PackingJob>(rows, state.mailItem, attachOptions, observer,
                                                      state.run->progress, dialog, kPackingEnded);
        return 0;
    }
    AttachReport report = CompressAndAttach(rows, state.mailItem, attachOptions, observer);
    EndPacking(dialog, state);
    return AfterPacking(dialog, state, report);
}

INT_PTR OnPackingEnded(HWND dialog, DialogState& state) {
    if (!state.run || !state.run->job || state.delivering) return 0;
    state.delivering = true;
    AttachReport report = state.run->job->Finish();
    state.delivering = false;
    EndPacking(dialog, state);
    if (!IsWindow(dialog)) return 0;  // gone meanwhile with the mail window
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
            state.packing->Cancel();
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

void SelectAllRows(HWND list) {
    LVITEMW select = {};
    select.state = select.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&select));
}

// Delete takes the selected rows out of "Attached Files:"; Ctrl+A selects every row of
// either list.
void OnListKey(DialogState& state, HWND list, WORD key) {
    bool control = GetKeyState(VK_CONTROL) < 0;
    if (key == 'A' && control && GetKeyState(VK_MENU) >= 0)
        SelectAllRows(list);
    else if (key == VK_DELETE && list == state.chosen && !control)
        RemoveSelectedEntries(state.chosen);
}

void OnNotify(HWND dialog, DialogState& state, const NMHDR& header) {
    if (header.code == LVN_KEYDOWN && (header.idFrom == IDC_BROWSER_LIST || header.idFrom == IDC_CHOSEN_LIST)) {
        OnListKey(state, header.hwndFrom, reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
    } else if (header.idFrom == IDC_BROWSER_LIST && header.code == NM_DBLCLK) {
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
            OpenDialogs().push_back(dialog);
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
        case WM_DPICHANGED:
            OnDpiChanged(dialog, *state, wParam, lParam);
            return TRUE;
        case WM_DESTROY:
            if (state->packing) state->packing->Cancel();
            // Packing into an archive is stopped and waited for here; attaching file by
            // file ends in the frame below, which still uses the run.
            if (state->run && state->run->job && !state->delivering) EndPacking(dialog, *state);
            ReleaseDialogState(*state);
            {
                std::vector<HWND>& open = OpenDialogs();
                open.erase(std::remove(open.begin(), open.end(), dialog), open.end());
            }
            break;
        default:
            break;
        }
    } catch (...) {
        ReportEntryException("The attachment dialog");
    }
    return 0;
}

namespace {
BOOL CALLBACK CollectOwnedWindow(HWND window, LPARAM found) {
    auto* owned = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(found);
    if (GetWindow(window, GW_OWNER) == owned->first && IsWindowEnabled(window)) owned->second.push_back(window);
    return TRUE;
}

// What the dialog opened over itself (a question before attaching, the report, a message
// box) is closed as by Escape, so that its loop ends and the frame that opened it goes on.
void CloseWindowsOwnedBy(HWND dialog) {
    std::pair<HWND, std::vector<HWND>> owned(dialog, {});
    EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), CollectOwnedWindow, reinterpret_cast<LPARAM>(&owned));
    for (HWND window : owned.second) SendMessageW(window, WM_CLOSE, 0, 0);
}
}  // namespace

void EndAttachmentDialogs() {
    std::vector<HWND> dialogs = OpenDialogs();
    for (HWND dialog : dialogs) {
        DialogState* state = StateOf(dialog);
        if (!state) continue;
        state->endWhenStopped = true;
        CloseWindowsOwnedBy(dialog);
        // A question closed so is answered Back: nothing is attached, and the frame that
        // delivers the archive ends the dialog after it.
        if (state->delivering) continue;
        if (state->packing && !(state->run && state->run->job)) {
            // Attaching file by file runs in a frame below: it stops before the next file,
            // takes off what it attached, and the dialog then ends.
            state->packing->Cancel();
            continue;
        }
        // A packing into an archive is stopped now, so that its end can attach nothing.
        EndPacking(dialog, *state);
        state->mailItem = MailItem();
        CloseDialog(dialog, *state);
    }
}

INT_PTR RunAttachmentDialog(HINSTANCE resources, HWND owner, const MailItem& mailItem) {
    DialogState state;
    state.resources = resources;
    state.mailItem = mailItem;
    // Made per-monitor aware, the dialog stays sharp on every screen instead of being
    // stretched by the system; made in the DLL's own context, its controls are themed
    // (the library is loaded in that context, so it is the themed one).
    PerMonitorDpiScope dpiAware;
    ModuleActivationScope themed(resources);
    InitCommonControlsLate(ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS);
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
    HWND owner = GetWindow(window, GW_OWNER);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    RECT r = {};
    if (!GetMonitorInfoW(MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !GetWindowRect(window, &r))
        return corner;
    const RECT& work = monitor.rcWork;
    LONG width = r.right - r.left, height = r.bottom - r.top;
    corner.x = work.left + (work.right - work.left - width) / 2;
    corner.y = work.top + (work.bottom - work.top - height) / 2;
    // Wider or higher than the work area: its top-left corner stays on it, with the caption.
    if (corner.x < work.left) corner.x = work.left;
    if (corner.y < work.top) corner.y = work.top;
    return corner;
}

}  // namespace parcelon
