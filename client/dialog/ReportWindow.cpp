// The report window: its rows, its size, its buttons and "Copy list".
#include "ReportWindow.h"

#include <algorithm>
#include <commctrl.h>
#include <cstring>
#include <exception>

#include "DialogDpi.h"
#include "client/resources/ResourceIds.h"
#include "common/ActivationContext.h"
#include "common/DiagnosticLog.h"
#include "common/DpiAwareness.h"
#include "common/UniqueResource.h"

namespace parcelon {

namespace {
// In dialog units.
constexpr int kMargin = 7;
constexpr int kGap = 4;
constexpr int kTextHeight = 10;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 100;
// It may take this share of the work area at most, in percent.
constexpr int kMostOfScreen = 90;
// Rows it opens tall enough for at most; the list scrolls for more.
constexpr int kMostRowsShown = 20;

struct ReportState {
    const ReportContent* content = nullptr;
    DialogScale scale;
};

ReportState* StateOf(HWND window) { return reinterpret_cast<ReportState*>(GetWindowLongPtrW(window, DWLP_USER)); }

void FillList(HWND list, const ReportContent& content) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (size_t c = 0; c < content.columns.size(); ++c) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 100;
        column.pszText = const_cast<wchar_t*>(content.columns[c].c_str());
        SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    for (size_t r = 0; r < content.rows.size(); ++r) {
        const auto& texts = content.rows[r];
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(r);
        item.pszText = const_cast<wchar_t*>(texts.empty() ? L"" : texts[0].c_str());
        int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t c = 1; c < texts.size() && c < content.columns.size(); ++c) {
            LVITEMW cell = {};
            cell.iSubItem = static_cast<int>(c);
            cell.pszText = const_cast<wchar_t*>(texts[c].c_str());
            SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
        }
    }
    for (size_t c = 0; c < content.columns.size(); ++c)
        SendMessageW(list, LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE_USEHEADER);
}

void AddButtons(HWND window, const ReportContent& content) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    for (size_t i = 0; i < content.buttons.size(); ++i) {
        bool last = i + 1 == content.buttons.size();
        HWND button = CreateWindowExW(0, L"BUTTON", content.buttons[i].text.c_str(),
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | (last ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                                      0, 0, 10, 10, window,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(content.buttons[i].id)), nullptr,
                                      nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (last) SendMessageW(window, DM_SETDEFID, content.buttons[i].id, 0);
    }
}

// The summary wraps at the window's width: one line high at the least.
int SummaryHeight(HWND window, int width) {
    int line = DialogUnits(window, 0, kTextHeight).cy;
    return std::max<int>(line, WrappedTextSize(window, StateOf(window)->content->summary, width).cy);
}

// The summary on top, the buttons at the foot from the right, the list between.
void Layout(HWND window) {
    const ReportState* state = StateOf(window);
    if (!state) return;
    RECT client = {};
    GetClientRect(window, &client);
    SIZE margin = DialogUnits(window, kMargin, kMargin), gap = DialogUnits(window, kGap, kGap);
    SIZE button = DialogUnits(window, kButtonWidth, kButtonHeight);
    SIZE text = {client.right - 2 * margin.cx, SummaryHeight(window, client.right - 2 * margin.cx)};
    MoveWindow(GetDlgItem(window, IDC_REPORT_TEXT), margin.cx, margin.cy, text.cx, text.cy, TRUE);
    int buttonTop = client.bottom - margin.cy - button.cy;
    int x = client.right - margin.cx;
    const auto& buttons = state->content->buttons;
    for (auto b = buttons.rbegin(); b != buttons.rend(); ++b) {
        x -= button.cx;
        MoveWindow(GetDlgItem(window, b->id), x, buttonTop, button.cx, button.cy, TRUE);
        x -= gap.cx;
    }
    int listTop = margin.cy + text.cy + gap.cy;
    MoveWindow(GetDlgItem(window, IDC_REPORT_LIST), margin.cx, listTop, client.right - 2 * margin.cx,
               std::max<int>(0, buttonTop - gap.cy - listTop), TRUE);
}

// As wide as the columns and as high as the rows (twenty at most), as far as the owner's
// work area allows; centred on it.
void FitToRows(HWND window, HWND owner) {
    HWND list = GetDlgItem(window, IDC_REPORT_LIST);
    int columns = 0;
    for (size_t c = 0; c < StateOf(window)->content->columns.size(); ++c)
        columns += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0));
    int shown = std::min<int>(kMostRowsShown, static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
    DWORD view = static_cast<DWORD>(SendMessageW(list, LVM_APPROXIMATEVIEWRECT, shown, MAKELPARAM(-1, -1)));
    SIZE margin = DialogUnits(window, kMargin, kMargin), gap = DialogUnits(window, kGap, kGap);
    SIZE button = DialogUnits(window, kButtonWidth, kButtonHeight);
    SIZE least = DialogUnits(window, kMinWidth, kMinHeight);
    int border = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    int width = std::max<int>(least.cx, columns + border + 2 * margin.cx);
    int text = SummaryHeight(window, width - 2 * margin.cx);
    RECT wanted = {0, 0, width,
                   std::max<int>(least.cy, 2 * margin.cy + text + 2 * gap.cy + HIWORD(view) + border + button.cy)};
    AdjustWindowRectEx(&wanted, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    width = std::min<int>(wanted.right - wanted.left, workWidth * kMostOfScreen / 100);
    int height = std::min<int>(wanted.bottom - wanted.top, workHeight * kMostOfScreen / 100);
    SetWindowPos(window, nullptr, work.left + (workWidth - width) / 2, work.top + (workHeight - height) / 2, width,
                 height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CopyRows(HWND window, const ReportContent& content) {
    std::wstring text = ReportRowsAsText(content);
    UniqueHGlobal block(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (!block) return;
    if (void* bytes = GlobalLock(block.get())) {
        memcpy(bytes, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(block.get());
    }
    if (!OpenClipboard(window)) {
        PARCELON_LOG_ERROR("The clipboard could not be opened (%lu)", GetLastError());
        return;
    }
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, block.get())) block.release();  // the clipboard's now
    CloseClipboard();
}

bool IsButtonOf(const ReportContent& content, int id) {
    return std::any_of(content.buttons.begin(), content.buttons.end(), [&](const ReportButton& b) { return b.id == id; });
}

INT_PTR OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<ReportState*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        state->scale.Begin(window);
        SetDlgItemTextW(window, IDC_REPORT_TEXT, state->content->summary.c_str());
        FillList(GetDlgItem(window, IDC_REPORT_LIST), *state->content);
        AddButtons(window, *state->content);
        FitToRows(window, GetWindow(window, GW_OWNER));
        Layout(window);
        if (!state->content->buttons.empty())
            SetFocus(GetDlgItem(window, state->content->buttons.back().id));
        return FALSE;
    }
    ReportState* state = StateOf(window);
    if (!state) return FALSE;
    switch (message) {
    case WM_SIZE:
        Layout(window);
        return TRUE;
    case WM_GETMINMAXINFO: {
        SIZE least = DialogUnits(window, kMinWidth, kMinHeight);
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {least.cx, least.cy};
        return TRUE;
    }
    case WM_DPICHANGED:
        if (state->scale.Change(window, wParam, lParam)) Layout(window);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDC_REPORT_COPY)
            CopyRows(window, *state->content);
        else if (id == IDCANCEL || IsButtonOf(*state->content, id))
            EndDialog(window, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK ReportProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return OnMessage(window, message, wParam, lParam);
    } catch (const std::exception& error) {
        PARCELON_LOG_ERROR("Report window, message %u: %s", message, error.what());
    } catch (...) {
        PARCELON_LOG_ERROR("Report window, message %u: unknown exception", message);
    }
    return FALSE;
}
}  // namespace

INT_PTR ShowReport(HINSTANCE resources, HWND owner, const ReportContent& content) {
    ReportState state;
    state.content = &content;
    PerMonitorDpiScope dpiAware;
    ModuleActivationScope themed(resources);
    INT_PTR result = DialogBoxParamW(resources, MAKEINTRESOURCEW(IDD_REPORT), owner, ReportProc,
                                     reinterpret_cast<LPARAM>(&state));
    if (result == -1) PARCELON_LOG_ERROR("The report window could not be opened (%lu)", GetLastError());
    return result;
}

std::wstring ReportRowsAsText(const ReportContent& content) {
    std::wstring text;
    for (const auto& row : content.rows) {
        for (size_t c = 0; c < row.size(); ++c) text += (c ? L"\t" : L"") + row[c];
        text += L"\r\n";
    }
    return text;
}

}  // namespace parcelon
