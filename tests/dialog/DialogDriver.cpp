// Works the real attachment dialog through window messages from a second thread.
#include "DialogDriver.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <shlobj.h>
#include <thread>

#include "client/dialog/AttachmentDialog.h"
#include "host/DropFiles.h"
#include "common/UniqueResource.h"

namespace testing_support {

namespace {
constexpr DWORD kStep = 20;

template <typename Condition>
bool WaitFor(Condition condition, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += kStep) {
        if (condition()) return true;
        Sleep(kStep);
    }
    return condition();
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM data);

struct WindowSearch {
    DWORD thread;
    std::function<bool(HWND)> match;
    HWND found = nullptr;
};

HWND FindThreadWindow(DWORD thread, std::function<bool(HWND)> match) {
    WindowSearch search{thread, std::move(match)};
    EnumThreadWindows(thread, MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    if (!search.match(window)) return TRUE;
    search.found = window;
    return FALSE;
}

HWND FindDialog(DWORD thread) {
    return FindThreadWindow(thread, [](HWND w) {
        return ClassOf(w) == L"#32770" && IsWindowVisible(w) && GetDlgItem(w, 202) != nullptr;
    });
}
}  // namespace

void DialogDriver::Click(int id) const { SendMessageW(Item(id), BM_CLICK, 0, 0); }
void DialogDriver::ClickLater(int id) const { PostMessageW(Item(id), BM_CLICK, 0, 0); }

void DialogDriver::Type(int id, const std::wstring& text) const {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring DialogDriver::Text(int id) const { return TextOf(Item(id)); }
bool DialogDriver::IsChecked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

HWND DialogDriver::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(thread_, &info) ? info.hwndFocus : nullptr;
}

std::wstring DialogDriver::TextOf(HWND window) {
    int length = static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

void DialogDriver::PressKeyIn(int id, WORD key, bool withControl) const {
    SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
    EXPECT_EQ(Item(id), Focus());
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    if (withControl) {
        // The key state is the dialog thread's: shared with it for as long as the key is down.
        AttachThreadInput(GetCurrentThreadId(), thread_, TRUE);
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        BYTE before = keys[VK_CONTROL];
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        SendMessageW(Item(id), WM_KEYDOWN, key, scan | 1);
        SendMessageW(Item(id), WM_KEYUP, key, scan | 0xC0000001);
        keys[VK_CONTROL] = before;
        SetKeyboardState(keys);
        AttachThreadInput(GetCurrentThreadId(), thread_, FALSE);
        return;
    }
    PostMessageW(Item(id), WM_KEYDOWN, key, scan | 1);
    PostMessageW(Item(id), WM_KEYUP, key, scan | 0xC0000001);
    // Sent messages overtake posted ones, so nothing sent can tell when the keys were
    // handled; callers wait for what the key does.
}

void DialogDriver::PressKey(WORD key) const {
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(Focus(), WM_KEYDOWN, key, scan | 1);
    PostMessageW(Focus(), WM_KEYUP, key, scan | 0xC0000001);
}

void DialogDriver::PressAccessKey(wchar_t key) const {
    constexpr LPARAM kAltDown = 1 << 29;
    PostMessageW(Focus(), WM_SYSCHAR, key, kAltDown | 1);
}

int DialogDriver::RowCount(int list) const {
    return static_cast<int>(SendMessageW(Item(list), LVM_GETITEMCOUNT, 0, 0));
}

std::wstring DialogDriver::Cell(int list, int row, int column) const {
    wchar_t text[1024] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 1024;
    SendMessageW(Item(list), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<std::wstring> DialogDriver::Column(int list, int column) const {
    std::vector<std::wstring> texts;
    for (int row = 0; row < RowCount(list); ++row) texts.push_back(Cell(list, row, column));
    return texts;
}

std::vector<int> DialogDriver::Images(int list) const {
    std::vector<int> images;
    for (int row = 0; row < RowCount(list); ++row) {
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        SendMessageW(Item(list), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        images.push_back(item.iImage);
    }
    return images;
}

int DialogDriver::RowNamed(int list, const std::wstring& name) const {
    for (int row = 0; row < RowCount(list); ++row)
        if (Cell(list, row, 0) == name) return row;
    return -1;
}

void DialogDriver::Select(int list, const std::vector<int>& rows) const {
    LVITEMW clear = {};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(Item(list), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    for (int row : rows) {
        LVITEMW select = {};
        select.state = select.stateMask = LVIS_SELECTED;
        SendMessageW(Item(list), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&select));
    }
}

void DialogDriver::SelectNamed(int list, const std::vector<std::wstring>& names) const {
    std::vector<int> rows;
    for (const auto& name : names) {
        int row = RowNamed(list, name);
        EXPECT_GE(row, 0) << "no row named " << std::string(name.begin(), name.end());
        if (row >= 0) rows.push_back(row);
    }
    Select(list, rows);
}

void DialogDriver::DoubleClick(int list, int row) const {
    Select(list, {row});
    RECT r = {};
    r.left = LVIR_LABEL;
    SendMessageW(Item(list), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    SendMessageW(Item(list), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(r.left + 2, (r.top + r.bottom) / 2));
    SendMessageW(Item(list), WM_LBUTTONUP, 0, MAKELPARAM(r.left + 2, (r.top + r.bottom) / 2));
}

void DialogDriver::ClickHeader(int list, int column) const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(Item(list), LVM_GETHEADER, 0, 0));
    RECT r = {};
    SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r));
    // A header the list shows only in part is scrolled first, as a user has to.
    RECT client = {};
    GetClientRect(Item(list), &client);
    if (r.right > client.right) SendMessageW(Item(list), LVM_SCROLL, r.right - client.right, 0);
    LPARAM point = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(header, WM_LBUTTONUP, 0, point);
}

void DialogDriver::Drop(int list, const std::vector<std::wstring>& paths) const {
    HGLOBAL block = host::MakeDropFiles(paths);
    ASSERT_NE(nullptr, block);
    // The list finishes the drop and frees the block, as a shell drop target does.
    SendMessageW(Item(list), WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

HWND DialogDriver::WaitForMessageBox(const std::wstring& caption, DWORD ms) const {
    HWND box = nullptr;
    WaitFor(
        [&] {
            box = FindThreadWindow(thread_, [&](HWND w) {
                return w != dialog_ && ClassOf(w) == L"#32770" && IsWindowVisible(w) && TextOf(w) == caption;
            });
            return box != nullptr;
        },
        ms);
    return box;
}

std::wstring DialogDriver::MessageBoxText(HWND box) { return TextOf(GetDlgItem(box, 0xFFFF)); }

void DialogDriver::PressOk(HWND box) {
    HWND button = GetDlgItem(box, IDOK);
    if (button)
        PostMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); }, 5000);
}

HWND DialogDriver::Balloon() const {
    return FindThreadWindow(thread_, [](HWND w) { return ClassOf(w) == TOOLTIPS_CLASSW && IsWindowVisible(w); });
}

bool DialogDriver::WaitUntil(const std::function<bool()>& condition, DWORD ms) { return WaitFor(condition, ms); }

bool DialogDriver::WaitClosed(DWORD ms) const { return WaitFor([&] { return !IsWindow(dialog_); }, ms); }

INT_PTR RunDialog(HINSTANCE resources, const parcelon::MailItem& mailItem,
                  const std::function<void(DialogDriver&)>& drive) {
    DWORD thread = GetCurrentThreadId();
    parcelon::UniqueHandle ended(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread driver([&] {
        HWND dialog = nullptr;
        if (!WaitFor([&] { return (dialog = FindDialog(thread)) != nullptr; }, 20000)) {
            ADD_FAILURE() << "the dialog did not open";
            return;
        }
        DialogDriver d(dialog, thread);
        Sleep(100);
        drive(d);
        if (WaitForSingleObject(ended.get(), 3000) == WAIT_OBJECT_0) return;
        ADD_FAILURE() << "the dialog was left open (or a message box over it)";
        while (WaitForSingleObject(ended.get(), 200) != WAIT_OBJECT_0) {
            HWND box = FindThreadWindow(thread, [&](HWND w) { return w != dialog && ClassOf(w) == L"#32770"; });
            if (box) {
                ADD_FAILURE() << "message box left open: " << DialogDriver::MessageBoxText(box).size() << " characters";
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            } else if (IsWindow(dialog)) {
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            }
        }
    });
    INT_PTR result = parcelon::RunAttachmentDialog(resources, nullptr, mailItem);
    SetEvent(ended.get());
    driver.join();
    return result;
}

}  // namespace testing_support
