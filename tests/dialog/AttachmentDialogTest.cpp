// The attachment dialog from the resources of the real Parcelon.dll, worked through its
// window messages under the X server: browsing, choosing, dropping, options, OK.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "DialogDriver.h"
#include "ScreenChecks.h"
#include <commctrl.h>

#include "client/compress/CompressAndAttach.h"
#include "client/dialog/AttachOptions.h"
#include "client/dialog/AttachmentDialog.h"
#include "client/dialog/FolderBrowserList.h"
#include "client/dialog/ScaledPicture.h"
#include "client/resources/ResourceIds.h"
#include "common/DpiAwareness.h"
#include "common/TextConversion.h"
#include "host/ZipListing.h"
#include "standin/MailObjects.h"
#include "tests/server/ComTestSupport.h"
#include "tests/support/AllocationFailure.h"
#include "tests/support/DebugOutputCapture.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::DialogDriver;
using testing_support::ExpectNothingOverlapsOrIsCut;
using testing_support::SaveScreen;
using testing_support::ScratchFolder;
using Texts = std::vector<std::wstring>;

namespace {
std::wstring W(const std::string& text) { return WideFromUtf8(text); }

// Sets a file's or folder's last-write time from UTC calendar fields.
void SetUtcWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME utc = {year, month, 0, day, hour, minute, 0, 0};
    FILETIME time = {};
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
    UniqueFile file(CreateFileW(W(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(file);
    ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &time));
}

// The drive rows the browser list ends with: every root of a known kind, in letter order.
Texts DriveRoots() {
    Texts roots;
    DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter, drives >>= 1) {
        std::wstring root = std::wstring(1, letter) + L":\\";
        UINT type = GetDriveTypeW(root.c_str());
        if ((drives & 1) && type >= DRIVE_REMOVABLE && type <= DRIVE_RAMDISK) roots.push_back(root);
    }
    return roots;
}

// The module whose code answers a window's messages.
std::wstring ProcedureModule(HWND window) {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(GetWindowLongPtrW(window, GWLP_WNDPROC)), &module);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

// The size of a bitmap.
SIZE BitmapSize(HGDIOBJ bitmap) {
    BITMAP info = {};
    GetObjectW(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

Texts Head(const Texts& texts, size_t n) { return Texts(texts.begin(), texts.begin() + std::min(n, texts.size())); }

class AttachmentDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll.loaded());
        saved = attachOptions;
        attachOptions = AttachOptions();
        attachOptions.browseFolder = folder.path();
    }
    void TearDown() override {
        attachOptions = saved;
        standin::ClearFailures();
    }

    INT_PTR Run(const std::function<void(DialogDriver&)>& drive, bool withMail = true) {
        MailItem item = withMail ? MailItem(mail->dispatch()) : MailItem();
        return testing_support::RunDialog(dll.module(), item, drive);
    }
    const std::vector<standin::Attachment*>& Attached() { return mail->attachments().items(); }
    std::vector<std::string> ArchiveEntries(size_t index = 0) {
        std::vector<std::string> names;
        if (index >= Attached().size()) return names;
        if (auto entries = host::ListZipEntries(Attached()[index]->content()))
            for (const auto& e : *entries) names.push_back(e.name);
        return names;
    }
    // The entry name of a scratch file: the rows are chosen at the scratch folder's top, and
    // each stands under its own name.
    std::string Entry(const std::string& relative) {
        std::string name = relative;
        for (char& c : name)
            if (c == '\\') c = '/';
        return name;
    }
    // A folder with two files and a sub-folder, with known times.
    void MakeWork() {
        folder.Write("b.txt", "bee bee");
        folder.Write("A.txt", "a");
        folder.Write("Work\\c.txt", "sea sea sea");
        folder.Write("Work\\Deep\\d.txt", "dee");
        SetUtcWriteTime(folder.path("A.txt"), 2006, 3, 15, 14, 5);
    }

    testing_support::ServerDll dll;
    AttachOptions saved;
    ScratchFolder folder;
    ComPtr<standin::MailItem> mail = ComPtr<standin::MailItem>::Attach(new standin::MailItem());
};
}  // namespace

TEST_F(AttachmentDialogTest, TemplateLaysOutEveryControlAtItsPlaceAndOpensCentred) {
    struct Control {
        int id;
        const wchar_t* text;
        RECT units;  // x, y, width, height
    };
    const Control controls[] = {
        {IDOK, L"OK", {114, 231, 50, 14}},           {IDCANCEL, L"Cancel", {172, 231, 50, 14}},
        {IDC_BROWSER_LIST, L"", {7, 70, 145, 135}},  {IDC_CHOSEN_LIST, L"", {199, 70, 145, 135}},
        {IDC_HELP_BUTTON, L"&Help", {294, 231, 50, 14}}, {IDC_ADD, L"&Add", {158, 119, 35, 14}},
        {IDC_REMOVE, L"&Remove", {158, 138, 35, 14}}, {IDC_BROWSE_EDIT, nullptr, {49, 36, 246, 14}},
        {IDC_BROWSE, L"&Browse", {309, 36, 35, 14}},  {IDC_ARCHIVE_NAME, nullptr, {271, 210, 73, 15}},
        {IDC_COMPRESS, L"&Compress Attachments:", {176, 212, 93, 10}},
        {IDC_SUB_FOLDERS, L"Include &Sub Folders", {266, 56, 75, 10}},
    };
    Run([&](DialogDriver& d) {
        wchar_t caption[32] = {};
        GetWindowTextW(d.dialog(), caption, 32);
        EXPECT_STREQ(L"Parcelon", caption);
        for (const Control& c : controls) {
            SCOPED_TRACE(c.id);
            HWND control = d.Item(c.id);
            ASSERT_NE(nullptr, control);
            RECT expected = c.units;  // each field scaled by itself, as the dialog manager does
            MapDialogRect(d.dialog(), &expected);
            RECT actual = {};
            GetWindowRect(control, &actual);
            MapWindowPoints(nullptr, d.dialog(), reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(expected.left, actual.left);
            EXPECT_EQ(expected.top, actual.top);
            EXPECT_EQ(expected.right, actual.right - actual.left);
            EXPECT_EQ(expected.bottom, actual.bottom - actual.top);
            if (c.text) {
                EXPECT_EQ(c.text, d.Text(c.id));
            }
        }
        // Reading order is template order, each label right before what it names.
        std::vector<std::wstring> order;
        for (HWND child = GetWindow(d.dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            int id = static_cast<WORD>(GetDlgCtrlID(child));
            bool banner = (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP;
            order.push_back(banner ? L"banner"
                                   : id == 0xFFFF ? L"\"" + DialogDriver::TextOf(child) + L"\"" : std::to_wstring(id));
        }
        EXPECT_EQ((Texts{L"banner", L"\"Bro&wse:\"", L"206", L"207", L"\"A&vailable Files:\"", L"201", L"204", L"205",
                         L"210", L"\"A&ttached Files:\"", L"202", L"209", L"208", L"1", L"2", L"203"}),
                  order);
        // The shell's dialog font, which scales, rather than the raster system font.
        LOGFONTW font = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(d.dialog(), WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_NE(0, wcscmp(L"System", font.lfFaceName)) << Utf8FromWide(font.lfFaceName);
        EXPECT_EQ(d.Item(IDC_BROWSER_LIST), d.Focus()) << "focus starts in \"Available Files:\"";
        EXPECT_EQ(DC_HASDEFID, HIWORD(SendMessageW(d.dialog(), DM_GETDEFID, 0, 0)));
        EXPECT_EQ(IDOK, LOWORD(SendMessageW(d.dialog(), DM_GETDEFID, 0, 0)));
        EXPECT_TRUE(GetWindowLongW(d.Item(IDC_CHOSEN_LIST), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
        EXPECT_EQ(0, GetWindowLongW(d.Item(IDC_CHOSEN_LIST), GWL_STYLE) & (LVS_SINGLESEL | LVS_SORTASCENDING));
        EXPECT_TRUE(SendMessageW(d.Item(IDC_CHOSEN_LIST), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

        // Centred on the work area of its screen.
        RECT r = {}, work = {};
        GetWindowRect(d.dialog(), &r);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_EQ(work.left + (work.right - work.left - (r.right - r.left)) / 2, r.left);
        EXPECT_EQ(work.top + (work.bottom - work.top - (r.bottom - r.top)) / 2, r.top);
        POINT corner = CentreOnScreen(d.dialog());
        EXPECT_EQ(r.left, corner.x);
        EXPECT_EQ(r.top, corner.y);
        d.Click(IDCANCEL);
    });
    // A window larger than the work area keeps its top-left corner, and its caption, on it.
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HWND large = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, work.right + 400, work.bottom + 300, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, large);
    POINT corner = CentreOnScreen(large);
    DestroyWindow(large);
    EXPECT_EQ(work.left, corner.x);
    EXPECT_EQ(work.top, corner.y);
}

TEST_F(AttachmentDialogTest, TabVisitsEveryControlInReadingOrderAndEachAccessKeyReachesItsControl) {
    MakeWork();
    Run([&](DialogDriver& d) {
        // From the first control, Tab visits every enabled one once and comes back.
        const std::vector<int> tabOrder = {IDC_BROWSE_EDIT, IDC_BROWSE, IDC_BROWSER_LIST, IDC_ADD, IDC_REMOVE,
                                           IDC_SUB_FOLDERS, IDC_CHOSEN_LIST, IDC_COMPRESS, IDC_ARCHIVE_NAME,
                                           IDOK, IDCANCEL, IDC_HELP_BUTTON};
        SendMessageW(d.dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(d.Item(tabOrder[0])), TRUE);
        std::vector<int> visited;
        for (size_t i = 0; i <= tabOrder.size(); ++i) {
            HWND before = d.Focus();
            visited.push_back(GetDlgCtrlID(before));
            d.PressKey(VK_TAB);
            EXPECT_TRUE(DialogDriver::WaitUntil([&] { return d.Focus() != before; })) << GetDlgCtrlID(before);
        }
        std::vector<int> around = tabOrder;
        around.push_back(tabOrder[0]);
        EXPECT_EQ(around, visited);

        // No access key repeats.
        std::wstring keys;
        for (HWND child = GetWindow(d.dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            std::wstring text = DialogDriver::TextOf(child);
            size_t amp = text.find(L'&');
            if (amp == std::wstring::npos || amp + 1 >= text.size()) continue;
            wchar_t key = towlower(text[amp + 1]);
            EXPECT_EQ(std::wstring::npos, keys.find(key)) << "access key repeats: " << Utf8FromWide(text);
            keys += key;
        }
        EXPECT_EQ(9u, keys.size()) << Utf8FromWide(keys);

        // A label's key moves to what it names; a button's presses it; a check box's toggles it.
        for (auto [key, id] : {std::pair{L'v', IDC_BROWSER_LIST}, {L't', IDC_CHOSEN_LIST}, {L'w', IDC_BROWSE_EDIT}}) {
            d.PressAccessKey(key);
            EXPECT_TRUE(DialogDriver::WaitUntil([&] { return d.Focus() == d.Item(id); })) << char(key);
        }
        d.PressAccessKey(L's');
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return attachOptions.includeSubFolders == 0; }));
        d.PressAccessKey(L'c');
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return !IsWindowEnabled(d.Item(IDC_ARCHIVE_NAME)); }));
        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt"});
        d.PressAccessKey(L'a');
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return d.RowCount(IDC_CHOSEN_LIST) == 1; }));
        d.Select(IDC_CHOSEN_LIST, {0});
        d.PressAccessKey(L'r');
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return d.RowCount(IDC_CHOSEN_LIST) == 0; }));
        d.Type(IDC_BROWSE_EDIT, W(folder.path("Work")));
        d.PressAccessKey(L'b');
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return d.RowNamed(IDC_BROWSER_LIST, L"c.txt") >= 0; }));
        d.PressAccessKey(L'h');
        HWND help = d.WaitForMessageBox(L"Parcelon Help");
        ASSERT_NE(nullptr, help);
        DialogDriver::PressOk(help);
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, DeleteRemovesChosenRowsAndCtrlASelectsEveryRowOfEitherList) {
    MakeWork();
    Run([&](DialogDriver& d) {
        d.PressKeyIn(IDC_BROWSER_LIST, 'A', true);
        int rows = d.RowCount(IDC_BROWSER_LIST);
        auto selected = [&](int list) { return static_cast<int>(SendMessageW(d.Item(list), LVM_GETSELECTEDCOUNT, 0, 0)); };
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return selected(IDC_BROWSER_LIST) == rows; }));
        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt", L"b.txt", L"Work"});
        d.Click(IDC_ADD);
        // Delete does nothing in the browser, whose rows are the disk's.
        d.PressKeyIn(IDC_BROWSER_LIST, VK_DELETE);
        d.PressKeyIn(IDC_CHOSEN_LIST, 'A', true);
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return selected(IDC_CHOSEN_LIST) == 3; }));
        EXPECT_EQ(rows, d.RowCount(IDC_BROWSER_LIST));
        d.Select(IDC_CHOSEN_LIST, {0, 2});
        d.PressKeyIn(IDC_CHOSEN_LIST, VK_DELETE);
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return d.RowCount(IDC_CHOSEN_LIST) == 1; }));
        EXPECT_EQ((Texts{L"A.txt"}), d.Column(IDC_CHOSEN_LIST, 0));
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, OpensWithTheRememberedFolderAndOptionsAndKeepsThemForTheNextOpening) {
    MakeWork();
    attachOptions.compressAttachments = 0;
    attachOptions.includeSubFolders = 0;
    attachOptions.archiveName = "kept.zip";
    // Cancel and OK end the dialog with the same result.
    EXPECT_EQ(1, Run([&](DialogDriver& d) {
        EXPECT_EQ(W(folder.path()), d.Text(IDC_BROWSE_EDIT));
        EXPECT_FALSE(d.IsChecked(IDC_COMPRESS));
        EXPECT_FALSE(d.IsChecked(IDC_SUB_FOLDERS));
        EXPECT_EQ(L"kept.zip", d.Text(IDC_ARCHIVE_NAME));
        EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_ARCHIVE_NAME)));

        // Folders first (with "." and ".."), then files by name whatever their case, then drives.
        Texts names = d.Column(IDC_BROWSER_LIST, 0);
        EXPECT_EQ((Texts{L".", L"..", L"Work", L"A.txt", L"b.txt"}), Head(names, 5));
        EXPECT_EQ(DriveRoots(), Texts(names.begin() + 5, names.end()));
        std::vector<int> images = d.Images(IDC_BROWSER_LIST);
        EXPECT_EQ((std::vector<int>{3, 3, 3, 5, 5}), std::vector<int>(images.begin(), images.begin() + 5));
        int c = d.RowNamed(IDC_BROWSER_LIST, L"C:\\");
        ASSERT_GE(c, 0);
        EXPECT_EQ(0, images[c]);
        EXPECT_EQ(L"", d.Cell(IDC_BROWSER_LIST, c, 1));
        EXPECT_EQ(L"", d.Cell(IDC_BROWSER_LIST, c, 2));
        int a = d.RowNamed(IDC_BROWSER_LIST, L"A.txt");
        EXPECT_EQ(L"1", d.Cell(IDC_BROWSER_LIST, a, 1));
        EXPECT_EQ(L"03/15/2006  14:05", d.Cell(IDC_BROWSER_LIST, a, 2));
        EXPECT_EQ(L"7", d.Cell(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L"b.txt"), 1));

        // Each click takes effect at once, so it holds after Cancel.
        d.Click(IDC_COMPRESS);
        EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_ARCHIVE_NAME)));
        EXPECT_EQ(1, attachOptions.compressAttachments);
        d.Click(IDC_SUB_FOLDERS);
        EXPECT_EQ(1, attachOptions.includeSubFolders);
        d.Click(IDCANCEL);
    }));
    EXPECT_EQ(1, attachOptions.compressAttachments);
    Run([&](DialogDriver& d) {
        EXPECT_TRUE(d.IsChecked(IDC_COMPRESS));
        EXPECT_TRUE(d.IsChecked(IDC_SUB_FOLDERS));
        EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_ARCHIVE_NAME)));
        EXPECT_EQ(0, d.RowCount(IDC_CHOSEN_LIST));
        d.Click(IDC_COMPRESS);
        EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_ARCHIVE_NAME)));
        EXPECT_EQ(0, attachOptions.compressAttachments);
        d.PressKeyIn(IDC_BROWSE_EDIT, VK_ESCAPE);  // Escape is Cancel
        EXPECT_TRUE(d.WaitClosed());
    });
    EXPECT_EQ(0, attachOptions.compressAttachments);
    EXPECT_TRUE(Attached().empty());
}

TEST_F(AttachmentDialogTest, AddCopiesSelectedRowsOnceSortedByNameAndRemoveTakesThemOut) {
    MakeWork();
    Run([&](DialogDriver& d) {
        d.SelectNamed(IDC_BROWSER_LIST, {L"b.txt", L"Work"});
        d.Click(IDC_ADD);
        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt", L"b.txt"});
        d.Click(IDC_ADD);
        EXPECT_EQ((Texts{L"Work", L"A.txt", L"b.txt"}), d.Column(IDC_CHOSEN_LIST, 0));
        EXPECT_EQ((Texts{W(folder.path("Work\\")), W(folder.path("A.txt")), W(folder.path("b.txt"))}),
                  d.Column(IDC_CHOSEN_LIST, 1));
        EXPECT_EQ((Texts{L"0", L"1", L"7"}), Head(d.Column(IDC_CHOSEN_LIST, 2), 3));
        EXPECT_EQ(L"03/15/2006  14:05", d.Cell(IDC_CHOSEN_LIST, 1, 3));
        EXPECT_EQ((std::vector<int>{3, 5, 5}), d.Images(IDC_CHOSEN_LIST));

        // A drive row shows the document image, size 0 and no date; "." and ".." come along.
        d.SelectNamed(IDC_BROWSER_LIST, {L".", L"..", L"C:\\"});
        d.Click(IDC_ADD);
        EXPECT_EQ((Texts{L".", L"..", L"Work", L"A.txt", L"b.txt", L"C:\\"}), d.Column(IDC_CHOSEN_LIST, 0));
        EXPECT_EQ(5, d.Images(IDC_CHOSEN_LIST)[5]);
        EXPECT_EQ(L"0", d.Cell(IDC_CHOSEN_LIST, 5, 2));
        EXPECT_EQ(L"", d.Cell(IDC_CHOSEN_LIST, 5, 3));

        d.Select(IDC_CHOSEN_LIST, {1, 3, 4});
        d.Click(IDC_REMOVE);
        EXPECT_EQ((Texts{L".", L"Work", L"C:\\"}), d.Column(IDC_CHOSEN_LIST, 0));
        d.Select(IDC_CHOSEN_LIST, {});
        d.Click(IDC_REMOVE);
        EXPECT_EQ(3, d.RowCount(IDC_CHOSEN_LIST));

        // A double-click in the chosen list does nothing.
        d.DoubleClick(IDC_CHOSEN_LIST, 1);
        EXPECT_EQ(3, d.RowCount(IDC_CHOSEN_LIST));
        EXPECT_EQ(W(folder.path()), d.Text(IDC_BROWSE_EDIT));
        d.Click(IDCANCEL);
    });
    EXPECT_TRUE(Attached().empty());
}

TEST_F(AttachmentDialogTest, HeaderClicksSortAscendingAndAgainTheSame) {
    MakeWork();
    folder.Write("Work2\\x", "");
    SetUtcWriteTime(folder.path("b.txt"), 2001, 1, 1, 0, 0);
    Run([&](DialogDriver& d) {
        size_t drives = DriveRoots().size();
        for (int click = 0; click < 2; ++click) {
            d.ClickHeader(IDC_BROWSER_LIST, 1);  // Size: folders, files smallest first, drives
            Texts names = d.Column(IDC_BROWSER_LIST, 0);
            ASSERT_EQ(6 + drives, names.size());
            EXPECT_EQ((Texts{L"A.txt", L"b.txt"}), Texts(names.begin() + 4, names.begin() + 6));
            EXPECT_EQ(DriveRoots(), Texts(names.begin() + 6, names.end()));
        }
        d.ClickHeader(IDC_BROWSER_LIST, 2);  // Date Modified: b.txt (2001) before A.txt (2006)
        Texts byDate = d.Column(IDC_BROWSER_LIST, 0);
        EXPECT_EQ((Texts{L"b.txt", L"A.txt"}), Texts(byDate.begin() + 4, byDate.begin() + 6));
        d.ClickHeader(IDC_BROWSER_LIST, 0);
        EXPECT_EQ((Texts{L".", L"..", L"Work", L"Work2", L"A.txt", L"b.txt"}), Head(d.Column(IDC_BROWSER_LIST, 0), 6));

        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt", L"b.txt", L"Work"});
        d.Click(IDC_ADD);
        for (int click = 0; click < 2; ++click) {
            d.ClickHeader(IDC_CHOSEN_LIST, 2);
            EXPECT_EQ((Texts{L"Work", L"A.txt", L"b.txt"}), d.Column(IDC_CHOSEN_LIST, 0));
        }
        d.ClickHeader(IDC_CHOSEN_LIST, 3);
        EXPECT_EQ((Texts{L"Work", L"b.txt", L"A.txt"}), d.Column(IDC_CHOSEN_LIST, 0));
        d.ClickHeader(IDC_CHOSEN_LIST, 1);  // "Path" sorts by name as well
        EXPECT_EQ((Texts{L"Work", L"A.txt", L"b.txt"}), d.Column(IDC_CHOSEN_LIST, 0));
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, DroppedFilesAndFoldersAreAppendedInDropOrderOnce) {
    MakeWork();
    folder.Write("Other\\z.txt", "zed");
    Run([&](DialogDriver& d) {
        d.SelectNamed(IDC_BROWSER_LIST, {L"Work"});
        d.Click(IDC_ADD);
        // The folder dropped without its backslash is the one added already; the missing
        // path is skipped and the rest still come, in drop order, unsorted.
        d.Drop(IDC_CHOSEN_LIST, {W(folder.path("b.txt")), W(folder.path("Work")), W(folder.path("missing.txt")),
                                 W(folder.path("Other")), W(folder.path("A.txt")), W(folder.path("b.txt"))});
        EXPECT_EQ((Texts{L"Work", L"b.txt", L"Other", L"A.txt"}), d.Column(IDC_CHOSEN_LIST, 0));
        EXPECT_EQ(W(folder.path("Other\\")), d.Cell(IDC_CHOSEN_LIST, 2, 1));
        EXPECT_EQ((std::vector<int>{3, 5, 3, 5}), d.Images(IDC_CHOSEN_LIST));
        EXPECT_EQ(L"03/15/2006  14:05", d.Cell(IDC_CHOSEN_LIST, 3, 3));

        // A dropped drive root is a folder without a name; with "." and ".." beside it the
        // order by name is circular, and sorting still ends within the rows.
        d.Drop(IDC_CHOSEN_LIST, {L"C:\\"});
        EXPECT_EQ(L"", d.Cell(IDC_CHOSEN_LIST, 4, 0));
        EXPECT_EQ(L"C:\\", d.Cell(IDC_CHOSEN_LIST, 4, 1));
        EXPECT_EQ(3, d.Images(IDC_CHOSEN_LIST)[4]);
        d.SelectNamed(IDC_BROWSER_LIST, {L".", L".."});
        d.Click(IDC_ADD);
        Texts names = d.Column(IDC_CHOSEN_LIST, 0);
        ASSERT_EQ(7u, names.size());
        EXPECT_EQ((Texts{L"Other", L"Work", L"A.txt", L"b.txt"}), Texts(names.begin() + 3, names.end()));
        Texts nameless(names.begin(), names.begin() + 3);
        std::sort(nameless.begin(), nameless.end());
        EXPECT_EQ((Texts{L"", L".", L".."}), nameless);
        for (int column = 0; column < 4; ++column) {
            d.ClickHeader(IDC_CHOSEN_LIST, column);
            EXPECT_EQ(7, d.RowCount(IDC_CHOSEN_LIST));
        }
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, BrowsingByDoubleClickAndByTypedFolder) {
    MakeWork();
    folder.Write("a.b\\c\\inner.txt", "");
    Run([&](DialogDriver& d) {
        const std::wstring root = W(folder.path());
        d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L"a.b"));
        EXPECT_EQ(root + L"a.b\\", d.Text(IDC_BROWSE_EDIT));
        d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L"c"));
        EXPECT_EQ(root + L"a.b\\c\\", d.Text(IDC_BROWSE_EDIT));
        EXPECT_EQ((Texts{L".", L"..", L"inner.txt"}), Head(d.Column(IDC_BROWSER_LIST, 0), 3));
        // "." and a file change nothing; ".." goes up one folder.
        d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L"."));
        d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L"inner.txt"));
        EXPECT_EQ(root + L"a.b\\c\\", d.Text(IDC_BROWSE_EDIT));
        EXPECT_EQ(L"inner.txt", d.Cell(IDC_BROWSER_LIST, 2, 0));
        d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L".."));
        EXPECT_EQ(root + L"a.b\\", d.Text(IDC_BROWSE_EDIT));
        EXPECT_EQ(folder.path("a.b\\"), attachOptions.browseFolder);

        // A typed folder without its backslash is listed; the edit keeps the text as typed.
        d.Type(IDC_BROWSE_EDIT, root + L"Work");
        d.Click(IDC_BROWSE);
        EXPECT_EQ(folder.path("Work\\"), attachOptions.browseFolder);
        EXPECT_EQ(root + L"Work", d.Text(IDC_BROWSE_EDIT));
        EXPECT_EQ((Texts{L".", L"..", L"Deep", L"c.txt"}), Head(d.Column(IDC_BROWSER_LIST, 0), 4));

        // A prefix of a folder, a folder that does not exist, a file and an empty text change nothing.
        for (const std::wstring& typed : {root + L"Wor", std::wstring(L"Q:\\nothing"), root + L"A.txt", std::wstring()}) {
            d.Type(IDC_BROWSE_EDIT, typed);
            d.Click(IDC_BROWSE);
            EXPECT_EQ(folder.path("Work\\"), attachOptions.browseFolder);
            EXPECT_EQ(L"Deep", d.Cell(IDC_BROWSER_LIST, 2, 0));
        }

        // Environment variables are expanded, and Enter in the edit browses instead of closing.
        SetEnvironmentVariableW(L"PARCELON_TEST_FOLDER", root.substr(0, root.size() - 1).c_str());
        d.Type(IDC_BROWSE_EDIT, L"%PARCELON_TEST_FOLDER%\\a.b\\c");
        d.PressKeyIn(IDC_BROWSE_EDIT, VK_RETURN);
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return attachOptions.browseFolder == folder.path("a.b\\c\\"); }));
        EXPECT_TRUE(d.IsOpen());
        EXPECT_EQ(L"inner.txt", d.Cell(IDC_BROWSER_LIST, 2, 0));

        // Enter anywhere else is OK.
        d.PressKeyIn(IDC_ARCHIVE_NAME, VK_RETURN);
        EXPECT_TRUE(d.WaitClosed());
    });
    // The folder shown last is shown again at the next opening.
    Run([&](DialogDriver& d) {
        EXPECT_EQ(W(folder.path("a.b\\c\\")), d.Text(IDC_BROWSE_EDIT));
        EXPECT_EQ(L"inner.txt", d.Cell(IDC_BROWSER_LIST, 2, 0));
        d.Click(IDCANCEL);
    });
    EXPECT_TRUE(Attached().empty());
}

TEST_F(AttachmentDialogTest, OkHandsTheRowsInDisplayOrderToTheActionForItsMailItem) {
    MakeWork();
    EXPECT_EQ(1, Run([&](DialogDriver& d) {
        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt", L"b.txt", L"Work"});
        d.Click(IDC_ADD);
        d.Click(IDC_SUB_FOLDERS);  // off: Work\Deep stays out
        d.ClickLater(IDOK);
        EXPECT_TRUE(d.WaitClosed());
    }));
    ASSERT_EQ(1u, Attached().size());
    EXPECT_EQ(L"attach.zip", Attached()[0]->fileName());
    EXPECT_EQ((std::vector<std::string>{Entry("Work/c.txt"), Entry("A.txt"), Entry("b.txt")}), ArchiveEntries());
    EXPECT_EQ(std::vector<std::string>{}, testing_support::WorkingFoldersLeft()) << "the archive is removed";

    // Without compression every file is attached by itself, in the order shown.
    attachOptions.compressAttachments = 0;
    Run([&](DialogDriver& d) {
        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt", L"b.txt"});
        d.Click(IDC_ADD);
        d.ClickHeader(IDC_CHOSEN_LIST, 2);  // by size, descending never: A (1 byte) before b (7)
        d.Drop(IDC_CHOSEN_LIST, {W(folder.path("Work\\Deep\\d.txt"))});
        d.ClickLater(IDOK);
        EXPECT_TRUE(d.WaitClosed());
    });
    ASSERT_EQ(4u, Attached().size());
    EXPECT_EQ(L"A.txt", Attached()[1]->fileName());
    EXPECT_EQ(L"b.txt", Attached()[2]->fileName());
    EXPECT_EQ(L"d.txt", Attached()[3]->fileName());
}

TEST_F(AttachmentDialogTest, OkWithoutRowsOrWithoutMailItemAttachesNothing) {
    MakeWork();
    Run([&](DialogDriver& d) {
        d.ClickLater(IDOK);
        EXPECT_TRUE(d.WaitClosed());
    });
    Run(
        [&](DialogDriver& d) {
            d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt"});
            d.Click(IDC_ADD);
            d.ClickLater(IDOK);
            EXPECT_TRUE(d.WaitClosed());
        },
        false);
    EXPECT_TRUE(Attached().empty());
    EXPECT_TRUE(mail->attachments().addCalls().empty());
}

TEST_F(AttachmentDialogTest, TypedArchiveNameIsTakenOverOnOkOrRefusedWithABalloon) {
    MakeWork();
    struct Refused {
        std::wstring typed;
        std::wstring says;
    };
    const Refused refused[] = {{L"   ", L"Type a name"}, {L"a:b", L"cannot hold"},   {L"x?.zip", L"cannot hold"},
                               {L"tab\there", L"cannot hold"}, {L"CON", L"device"}, {L"lpt1.txt", L"device"},
                               {L"Com9.ZIP", L"device"}};
    Run([&](DialogDriver& d) {
        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt"});
        d.Click(IDC_ADD);
        for (const Refused& r : refused) {
            SCOPED_TRACE(Utf8FromWide(r.typed));
            d.Type(IDC_ARCHIVE_NAME, r.typed);
            d.Click(IDOK);
            ASSERT_TRUE(d.IsOpen());
            HWND balloon = d.Balloon();
            ASSERT_NE(nullptr, balloon);
            wchar_t text[256] = {};
            SendMessageW(balloon, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
            EXPECT_NE(std::wstring::npos, std::wstring(text).find(r.says)) << Utf8FromWide(text);
            EXPECT_EQ(d.Item(IDC_ARCHIVE_NAME), d.Focus());
            EXPECT_EQ("attach.zip", attachOptions.archiveName);
        }
        SaveScreen(d.dialog(), L"dialog-refused-name");
        EXPECT_TRUE(Attached().empty());
        d.Type(IDC_ARCHIVE_NAME, L"  Quarterly report ");
        EXPECT_EQ(nullptr, d.Balloon()) << "typing hides the balloon";
        d.ClickLater(IDOK);
        EXPECT_TRUE(d.WaitClosed());
    });
    EXPECT_EQ("Quarterly report.zip", attachOptions.archiveName);
    ASSERT_EQ(1u, Attached().size());
    EXPECT_EQ(L"Quarterly report.zip", Attached()[0]->fileName());

    Run([&](DialogDriver& d) {
        EXPECT_EQ(L"Quarterly report.zip", d.Text(IDC_ARCHIVE_NAME));
        d.Type(IDC_ARCHIVE_NAME, L"Notes.ZIP");
        d.ClickLater(IDOK);
        EXPECT_TRUE(d.WaitClosed());
    });
    EXPECT_EQ("Notes.ZIP", attachOptions.archiveName);
}

TEST_F(AttachmentDialogTest, FilesLeftOutAreListedEveryOneInAScrollingReportWindowBeforeTheDialogCloses) {
    MakeWork();
    for (int i = 0; i < 60; ++i) folder.Write("Many\\f" + std::to_string(100 + i) + ".txt", "x");
    // The files are read-locked away from the writer.
    std::vector<UniqueFile> locks;
    for (int i = 0; i < 60; ++i)
        locks.emplace_back(CreateFileA(folder.path("Many\\f" + std::to_string(100 + i) + ".txt").c_str(),
                                       GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    Run([&](DialogDriver& d) {
        d.SelectNamed(IDC_BROWSER_LIST, {L"Many", L"A.txt"});
        d.Click(IDC_ADD);
        d.ClickLater(IDOK);
        HWND report = d.WaitForMessageBox(L"Parcelon");
        ASSERT_NE(nullptr, report);
        EXPECT_TRUE(d.IsOpen()) << "the dialog waits for the report";
        std::wstring summary = DialogDriver::TextOf(GetDlgItem(report, IDC_REPORT_TEXT));
        EXPECT_EQ(L"60 of 61 files were left out:", summary) << "spoken to the sender, no working folder";
        HWND list = GetDlgItem(report, IDC_REPORT_LIST);
        ASSERT_EQ(60, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        // About twenty rows tall; the list scrolls for the rest.
        int shown = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
        EXPECT_TRUE(shown >= 17 && shown <= 21) << shown << " rows shown";
        wchar_t cell[512] = {};
        LVITEMW item = {};
        item.pszText = cell;
        item.cchTextMax = 512;
        SendMessageW(list, LVM_GETITEMTEXTW, 59, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(W(folder.path("Many\\f159.txt")), cell);
        item.iSubItem = 1;
        SendMessageW(list, LVM_GETITEMTEXTW, 59, reinterpret_cast<LPARAM>(&item));
        EXPECT_NE(L"", std::wstring(cell));

        // Sized to fit the screen, and resizable with the list following.
        RECT r = {}, work = {}, listBefore = {}, listAfter = {};
        GetWindowRect(report, &r);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom);
        EXPECT_TRUE(GetWindowLongW(report, GWL_STYLE) & WS_THICKFRAME);
        GetWindowRect(list, &listBefore);
        SetWindowPos(report, nullptr, 0, 0, r.right - r.left - 40, r.bottom - r.top - 30, SWP_NOMOVE | SWP_NOZORDER);
        GetWindowRect(list, &listAfter);
        EXPECT_EQ(listBefore.right - listBefore.left - 40, listAfter.right - listAfter.left);
        EXPECT_EQ(listBefore.bottom - listBefore.top - 30, listAfter.bottom - listAfter.top);
        SetWindowPos(report, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
        ExpectNothingOverlapsOrIsCut(report, ScreenDpi());
        SaveScreen(report, L"left-out-files");

        // "Copy list" puts every row on the clipboard as text and leaves the window open.
        EXPECT_EQ(L"&Copy list", DialogDriver::TextOf(GetDlgItem(report, IDC_REPORT_COPY)));
        SendMessageW(GetDlgItem(report, IDC_REPORT_COPY), BM_CLICK, 0, 0);
        std::wstring copied;
        if (OpenClipboard(nullptr)) {
            if (HANDLE text = GetClipboardData(CF_UNICODETEXT)) {
                copied = static_cast<const wchar_t*>(GlobalLock(text));
                GlobalUnlock(text);
            }
            CloseClipboard();
        }
        EXPECT_EQ(0u, copied.find(W(folder.path("Many\\f100.txt")) + L"\t")) << Utf8FromWide(copied.substr(0, 200));
        EXPECT_EQ(60, std::count(copied.begin(), copied.end(), L'\n'));
        EXPECT_TRUE(IsWindow(report));
        DialogDriver::PressOk(report);
        EXPECT_TRUE(d.WaitClosed());
    });
    ASSERT_EQ(1u, Attached().size());
    EXPECT_EQ((std::vector<std::string>{Entry("A.txt")}), ArchiveEntries());
}

TEST_F(AttachmentDialogTest, AStoppedActionSaysWhyAndThatNothingWasAttached) {
    MakeWork();
    standin::FailMember(L"Attachments.Add", {E_FAIL, L"Outlook", L"The message is read-only."});
    Run([&](DialogDriver& d) {
        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt"});
        d.Click(IDC_ADD);
        d.ClickLater(IDOK);
        HWND box = d.WaitForMessageBox(L"Parcelon");
        ASSERT_NE(nullptr, box);
        std::wstring text = DialogDriver::MessageBoxText(box);
        EXPECT_NE(std::wstring::npos, text.find(L"Attaching stopped: ")) << Utf8FromWide(text);
        EXPECT_NE(std::wstring::npos, text.find(L"Nothing was attached to the message.")) << Utf8FromWide(text);
        DialogDriver::PressOk(box);
        EXPECT_TRUE(d.WaitClosed());
    });
    EXPECT_TRUE(Attached().empty());
}

TEST_F(AttachmentDialogTest, HelpShowsTheTextShippedInTheDllAndTheDialogStaysOpen) {
    Run([&](DialogDriver& d) {
        d.ClickLater(IDC_HELP_BUTTON);
        HWND box = d.WaitForMessageBox(L"Parcelon Help");
        ASSERT_NE(nullptr, box);
        std::wstring text = DialogDriver::MessageBoxText(box);
        for (const wchar_t* topic : {L"\"Compress Attachments:\"", L"\"Include Sub Folders\"", L"root of the system drive",
                                     L"cannot be read"})
            EXPECT_NE(std::wstring::npos, text.find(topic)) << Utf8FromWide(topic);
        SaveScreen(box, L"help");
        DialogDriver::PressOk(box);
        EXPECT_TRUE(d.IsOpen());
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, AtTheScreensDpiEveryPictureIsTheOneDrawnForItAndNothingOverlapsOrIsCut) {
    MakeWork();
    UINT dpi = ScreenDpi();
    Run([&](DialogDriver& d) {
        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt", L"Work", L"C:\\"});
        d.Click(IDC_ADD);
        d.Drop(IDC_CHOSEN_LIST, {W(folder.path("b.txt"))});
        EXPECT_EQ(dpi, DpiOfWindow(d.dialog()));
        HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(d.Item(IDC_BROWSER_LIST), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        EXPECT_EQ(PictureSizeForDpi(16, dpi), cx);
        EXPECT_EQ(PictureSizeForDpi(15, dpi), cy);
        HWND banner = FindWindowExW(d.dialog(), nullptr, L"Static", nullptr);
        SIZE shown = BitmapSize(reinterpret_cast<HGDIOBJ>(SendMessageW(banner, STM_GETIMAGE, IMAGE_BITMAP, 0)));
        EXPECT_EQ(PictureSizeForDpi(507, dpi), shown.cx);
        EXPECT_EQ(PictureSizeForDpi(40, dpi), shown.cy);
        ExpectNothingOverlapsOrIsCut(d.dialog(), dpi);
        SaveScreen(d.dialog(), L"dialog");
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, MovedToAScreenOfAnotherScaleItIsLaidOutAgainWithThePicturesDrawnForIt) {
    UINT from = ScreenDpi(), to = from == kDefaultDpi ? 2 * kDefaultDpi : kDefaultDpi;
    Run([&](DialogDriver& d) {
        auto fontHeight = [&](HWND window) {
            LOGFONTW font = {};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
            return font.lfHeight;
        };
        LONG fontBefore = fontHeight(d.Item(IDOK));
        // The system suggests the scaled client area inside the frame of the new screen;
        // this one keeps the frame, which the test's single screen cannot change.
        RECT window = {}, client = {}, before = {}, after = {};
        GetWindowRect(d.dialog(), &window);
        GetClientRect(d.dialog(), &client);
        GetWindowRect(d.Item(IDC_CHOSEN_LIST), &before);
        RECT suggested = {window.left, window.top,
                          window.right + MulDiv(client.right, to, from) - client.right,
                          window.bottom + MulDiv(client.bottom, to, from) - client.bottom};
        SendMessageW(d.dialog(), WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(MulDiv(fontBefore, to, from), fontHeight(d.Item(IDOK)));
        GetWindowRect(d.Item(IDC_CHOSEN_LIST), &after);
        // In proportion, as far as the fonts of the two DPIs are.
        EXPECT_NEAR(MulDiv(before.right - before.left, to, from), after.right - after.left, (after.right - after.left) / 10);
        EXPECT_NEAR(MulDiv(before.bottom - before.top, to, from), after.bottom - after.top, (after.bottom - after.top) / 10);
        HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(d.Item(IDC_CHOSEN_LIST), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        EXPECT_EQ(PictureSizeForDpi(16, to), cx);
        HWND banner = FindWindowExW(d.dialog(), nullptr, L"Static", nullptr);
        EXPECT_EQ(PictureSizeForDpi(507, to),
                  BitmapSize(reinterpret_cast<HGDIOBJ>(SendMessageW(banner, STM_GETIMAGE, IMAGE_BITMAP, 0))).cx);
        ExpectNothingOverlapsOrIsCut(d.dialog(), to);
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, ItIsMadePerMonitorDpiAwareAndTheThreadsContextIsPutBackAfterwards) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using GetThreadContext = void*(WINAPI*)();
    using SetThreadContext = void*(WINAPI*)(void*);
    using GetWindowContext = void*(WINAPI*)(HWND);
    using GetAwareness = int(WINAPI*)(void*);
    auto threadContext = reinterpret_cast<GetThreadContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto setThreadContext = reinterpret_cast<SetThreadContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetThreadDpiAwarenessContext")));
    auto windowContext = reinterpret_cast<GetWindowContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    auto awareness = reinterpret_cast<GetAwareness>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (!threadContext || !setThreadContext || !windowContext || !awareness)
        GTEST_SKIP() << "this Wine has no DPI contexts";
    constexpr int kSystemAware = 1, kPerMonitorAware = 2;  // DPI_AWARENESS_...
    // The thread as Office calls add-ins: aware of the system's DPI only.
    void* own = setThreadContext(reinterpret_cast<void*>(static_cast<INT_PTR>(-2)));
    ASSERT_NE(nullptr, own);
    ASSERT_EQ(kSystemAware, awareness(threadContext()));
    Run([&](DialogDriver& d) {
        EXPECT_EQ(kPerMonitorAware, awareness(windowContext(d.dialog())));
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(kSystemAware, awareness(threadContext()));
    setThreadContext(own);
}

TEST_F(AttachmentDialogTest, ItsControlsAreCommonControlsSixFromTheDllsOwnManifest) {
    Run([&](DialogDriver& d) {
        // Version 6 answers for the buttons as well, which user32 answers for otherwise.
        for (int id : {IDOK, IDC_COMPRESS, IDC_BROWSER_LIST}) {
            std::wstring module = ProcedureModule(d.Item(id));
            for (auto& c : module) c = towlower(c);
            EXPECT_NE(std::wstring::npos, module.find(L"\\comctl32.dll")) << id << ": " << Utf8FromWide(module);
        }
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, TwoDialogsEachWorkForTheirOwnMailItemAndClosingOneLeavesTheOther) {
    MakeWork();
    auto second = ComPtr<standin::MailItem>::Attach(new standin::MailItem());
    Run([&](DialogDriver& first) {
        first.SelectNamed(IDC_BROWSER_LIST, {L"A.txt"});
        first.Click(IDC_ADD);
        std::thread other([&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            testing_support::RunDialog(dll.module(), MailItem(second->dispatch()), [&](DialogDriver& d) {
                d.SelectNamed(IDC_BROWSER_LIST, {L"b.txt"});
                d.Click(IDC_ADD);
                // Each list goes up from the folder it shows, whatever the other listed last.
                d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L"Work"));
                d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L"Deep"));
                first.DoubleClick(IDC_BROWSER_LIST, first.RowNamed(IDC_BROWSER_LIST, L".."));
                EXPECT_EQ(W(ParentFolder(folder.path())), first.Text(IDC_BROWSE_EDIT));
                d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L".."));
                EXPECT_EQ(W(folder.path("Work\\")), d.Text(IDC_BROWSE_EDIT));
                first.ClickLater(IDCANCEL);
                EXPECT_TRUE(first.WaitClosed());
                // What the closed dialog owned is gone; this one's rows and images are not.
                d.Drop(IDC_CHOSEN_LIST, {W(folder.path("Work"))});
                EXPECT_EQ((Texts{L"b.txt", L"Work"}), d.Column(IDC_CHOSEN_LIST, 0));
                EXPECT_EQ((std::vector<int>{5, 3}), d.Images(IDC_CHOSEN_LIST));
                auto images = reinterpret_cast<HIMAGELIST>(
                    SendMessageW(d.Item(IDC_CHOSEN_LIST), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
                EXPECT_EQ(7, ImageList_GetImageCount(images));
                d.ClickLater(IDOK);
                EXPECT_TRUE(d.WaitClosed());
            });
            CoUninitialize();
        });
        other.join();
    });
    EXPECT_TRUE(Attached().empty());
    ASSERT_EQ(1u, second->attachments().items().size());
    auto entries = host::ListZipEntries(second->attachments().items()[0]->content());
    ASSERT_TRUE(entries.has_value());
    std::vector<std::string> names;
    for (const auto& e : *entries) names.push_back(e.name);
    EXPECT_EQ((std::vector<std::string>{Entry("b.txt"), Entry("Work/c.txt"), Entry("Work/Deep/d.txt")}), names);
}

TEST_F(AttachmentDialogTest, FoldersBeyondTheClassicPathLengthAreTypedOpenedAndChosen) {
    std::wstring deep = W(folder.path());
    while (deep.size() < 300) {
        deep += L"a-rather-long-folder-name\\";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    const std::wstring parent = deep.substr(0, deep.rfind(L'\\', deep.size() - 2) + 1);
    UniqueFile(CreateFileW((L"\\\\?\\" + deep + L"inside.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                           nullptr));
    Run([&](DialogDriver& d) {
        d.Type(IDC_BROWSE_EDIT, deep.substr(0, deep.size() - 1));
        d.Click(IDC_BROWSE);
        EXPECT_EQ(Utf8FromWide(deep), attachOptions.browseFolder);
        EXPECT_EQ((Texts{L".", L"..", L"inside.txt"}), Head(d.Column(IDC_BROWSER_LIST, 0), 3));
        d.SelectNamed(IDC_BROWSER_LIST, {L"inside.txt"});
        d.Click(IDC_ADD);
        EXPECT_EQ(deep + L"inside.txt", d.Cell(IDC_CHOSEN_LIST, 0, 1));
        d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L".."));
        EXPECT_EQ(parent, d.Text(IDC_BROWSE_EDIT));
        d.DoubleClick(IDC_BROWSER_LIST, d.RowNamed(IDC_BROWSER_LIST, L"a-rather-long-folder-name"));
        EXPECT_EQ(deep, d.Text(IDC_BROWSE_EDIT));
        EXPECT_EQ(L"inside.txt", d.Cell(IDC_BROWSER_LIST, 2, 0));
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, DllHoldsTheImageStripAndTheBannerAndBothListsShowTheStrip) {
    struct Picture {
        int id;
        LONG width, height;
    };
    for (Picture p : {Picture{IDB_FILE_ICONS, 112, 15}, Picture{IDB_BANNER, 507, 40}}) {
        UniqueGdiObject bitmap(LoadImageW(dll.module(), MAKEINTRESOURCEW(p.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_TRUE(bitmap) << p.id;
        BITMAP info = {};
        ASSERT_EQ(static_cast<int>(sizeof(info)), GetObjectW(bitmap.get(), sizeof(info), &info));
        EXPECT_EQ(p.width, info.bmWidth);
        EXPECT_EQ(p.height, info.bmHeight);
        EXPECT_EQ(24, info.bmBitsPixel);
        if (p.id == IDB_FILE_ICONS) {
            // The top-left pixel of every image is magenta, which the lists leave out.
            const auto* bottomUp = static_cast<const unsigned char*>(info.bmBits);
            for (int image = 0; image < 7; ++image) {
                const unsigned char* pixel = bottomUp + (info.bmHeight - 1) * info.bmWidthBytes + image * 16 * 3;
                EXPECT_EQ(255, pixel[0]) << image;
                EXPECT_EQ(0, pixel[1]) << image;
                EXPECT_EQ(255, pixel[2]) << image;
            }
        }
    }
    Run([&](DialogDriver& d) {
        HIMAGELIST strips[2] = {};
        int i = 0;
        for (int list : {IDC_BROWSER_LIST, IDC_CHOSEN_LIST})
            strips[i++] = reinterpret_cast<HIMAGELIST>(SendMessageW(d.Item(list), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        EXPECT_EQ(strips[0], strips[1]);
        EXPECT_EQ(7, ImageList_GetImageCount(strips[0]));
        int cx = 0, cy = 0;
        ImageList_GetIconSize(strips[0], &cx, &cy);
        EXPECT_EQ(16, cx);
        EXPECT_EQ(15, cy);
        d.Click(IDCANCEL);
    });
}

TEST_F(AttachmentDialogTest, NamesOutsideTheCodePageAndLongPathsAreListedDroppedAndPacked) {
    const std::string greek = "\xce\x95\xce\xbb\xce\xbb\xce\xac\xce\xb4\xce\xb1.txt";  // Greek
    const std::string parcel = "\xf0\x9f\x93\xa6 box";                                  // an emoji: two UTF-16 units
    const std::string kyiv = "\xd0\x9a\xd0\xb8\xd1\x97\xd0\xb2.txt";                     // Cyrillic
    folder.Write(greek, "alpha");
    folder.Write(parcel + "\\" + kyiv, "kyiv");
    std::string deep = "Deep";
    while (folder.path(deep).size() < 280) deep += "\\\xe6\xb7\xb1\xe3\x81\x84-folder";  // CJK
    const std::string longFile = folder.Write(deep + "\\far.txt", "far away");

    Run([&](DialogDriver& d) {
        ASSERT_GE(d.RowNamed(IDC_BROWSER_LIST, W(greek)), 0);
        d.SelectNamed(IDC_BROWSER_LIST, {W(greek)});
        d.Click(IDC_ADD);
        d.Drop(IDC_CHOSEN_LIST, {W(folder.path(parcel)), W(longFile)});
        EXPECT_EQ((Texts{W(greek), W(parcel), L"far.txt"}), d.Column(IDC_CHOSEN_LIST, 0));
        EXPECT_EQ(W(folder.path(parcel + "\\")), d.Cell(IDC_CHOSEN_LIST, 1, 1));
        EXPECT_EQ(W(longFile), d.Cell(IDC_CHOSEN_LIST, 2, 1));
        EXPECT_EQ(L"8", d.Cell(IDC_CHOSEN_LIST, 2, 2));
        d.ClickLater(IDOK);
        EXPECT_TRUE(d.WaitClosed());
    });
    ASSERT_EQ(1u, Attached().size());
    // The long path's file was chosen by itself: it stands under its own name.
    EXPECT_EQ((std::vector<std::string>{Entry(greek), Entry(parcel + "/" + kyiv), "far.txt"}), ArchiveEntries());
}

// While OK packs, the dialog shows the progress below its controls; Cancel, and closing the
// window, stop the work, attach nothing and leave the dialog open with its rows.
TEST_F(AttachmentDialogTest, CancelWhilePackingKeepsTheDialogAndItsRows) {
    std::string large = folder.Write("large.bin", "");
    {
        UniqueFile file(CreateFileA(large.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = 3ll << 30;  // reads as zeros; the file system need not store it
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
    }
    folder.Write("small.txt", "small");
    auto packingShown = [](DialogDriver& d) {
        return DialogDriver::WaitUntil([&] { return d.Item(IDC_PACK_PROGRESS) != nullptr; }, 30000);
    };
    auto packingGone = [](DialogDriver& d) {
        return DialogDriver::WaitUntil([&] { return d.Item(IDC_PACK_PROGRESS) == nullptr; }, 30000);
    };
    Run([&](DialogDriver& d) {
        d.Drop(IDC_CHOSEN_LIST, {W(folder.path("small.txt")), W(large)});
        ASSERT_EQ(2, d.RowCount(IDC_CHOSEN_LIST));
        d.ClickLater(IDOK);
        ASSERT_TRUE(packingShown(d));
        EXPECT_FALSE(IsWindowEnabled(d.Item(IDOK))) << "only Cancel works while packing";
        EXPECT_TRUE(IsWindowEnabled(d.Item(IDCANCEL)));
        DialogDriver::WaitUntil([&] { return d.Text(IDC_PACK_FILE) == W(large); });
        EXPECT_EQ(W(large), d.Text(IDC_PACK_FILE));
        std::wstring status = d.Text(IDC_PACK_STATUS);
        EXPECT_EQ(0u, status.find(L"1 of 2 files done (")) << Utf8FromWide(status) << ": small.txt comes first";
        EXPECT_NE(std::wstring::npos, status.find(L" of 3072.0 MB)")) << Utf8FromWide(status);
        SaveScreen(d.dialog(), L"dialog-packing");
        d.Click(IDCANCEL);
        ASSERT_TRUE(packingGone(d));
        EXPECT_TRUE(d.IsOpen());
        EXPECT_EQ(2, d.RowCount(IDC_CHOSEN_LIST));
        EXPECT_TRUE(IsWindowEnabled(d.Item(IDOK)));
        EXPECT_TRUE(testing_support::WorkingFoldersLeft().empty()) << "the unfinished archive goes with its folder";

        // Closing the window while packing is a Cancel too.
        d.ClickLater(IDOK);
        ASSERT_TRUE(packingShown(d));
        PostMessageW(d.dialog(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(packingGone(d));
        EXPECT_TRUE(d.IsOpen());
        EXPECT_EQ(2, d.RowCount(IDC_CHOSEN_LIST));

        // A choice changed after the Cancel is packed as usual.
        d.Select(IDC_CHOSEN_LIST, {d.RowNamed(IDC_CHOSEN_LIST, L"large.bin")});
        d.Click(IDC_REMOVE);
        d.ClickLater(IDOK);
        EXPECT_TRUE(d.WaitClosed());
    });
    ASSERT_EQ(1u, Attached().size()) << "nothing was attached by the cancelled runs";
    EXPECT_EQ(std::vector<std::string>{Entry("small.txt")}, ArchiveEntries());
    EXPECT_TRUE(testing_support::WorkingFoldersLeft().empty());
}

namespace {
// A window of the dialog's thread that opens a second dialog there, inside the first one's
// loop, as a second mail window of the same host does.
parcelon::MailItem* nestedMail = nullptr;
HINSTANCE nestedResources = nullptr;
LRESULT CALLBACK NestingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message != WM_APP) return DefWindowProcW(window, message, w, l);
    RunAttachmentDialog(nestedResources, nullptr, *nestedMail);
    return 0;
}

struct DialogSearch {
    HWND first, found;
};
BOOL CALLBACK FindOtherDialog(HWND w, LPARAM l) {
    auto& search = *reinterpret_cast<DialogSearch*>(l);
    if (w != search.first && IsWindowVisible(w) && GetDlgItem(w, IDC_CHOSEN_LIST)) search.found = w;
    return search.found ? FALSE : TRUE;
}

HWND OtherDialogOf(DWORD thread, HWND first) {
    DialogSearch search = {first, nullptr};
    EnumThreadWindows(thread, FindOtherDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
}  // namespace

// A second dialog opened on the same thread while the first packs runs a modal loop inside
// the first one's: the end of the first one's packing must still reach it while the second
// stays open (an ordering test: the second is closed only after the first has seen its end).
TEST_F(AttachmentDialogTest, PackingEndsInTheFirstDialogWhileASecondIsOpenOnTheSameThread) {
    std::string large = folder.Write("large.bin", "");
    {
        UniqueFile file(CreateFileA(large.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = 3ll << 30;
        ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
    }
    folder.Write("small.txt", "small");
    auto second = ComPtr<standin::MailItem>::Attach(new standin::MailItem());
    MailItem secondItem(second->dispatch());
    nestedMail = &secondItem;
    nestedResources = dll.module();
    WNDCLASSW nestingClass = {};
    nestingClass.lpfnWndProc = NestingProc;
    nestingClass.hInstance = GetModuleHandleW(nullptr);
    nestingClass.lpszClassName = L"ParcelonNestingTest";
    RegisterClassW(&nestingClass);
    HWND nesting = CreateWindowW(L"ParcelonNestingTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(nesting);
    DWORD thread = GetCurrentThreadId();
    auto packing = [](DialogDriver& d) { return d.Item(IDC_PACK_PROGRESS) != nullptr; };
    Run([&](DialogDriver& first) {
        first.Drop(IDC_CHOSEN_LIST, {W(folder.path("small.txt")), W(large)});
        first.ClickLater(IDOK);
        ASSERT_TRUE(DialogDriver::WaitUntil([&] { return packing(first); }, 30000));
        PostMessageW(nesting, WM_APP, 0, 0);
        HWND other = nullptr;
        ASSERT_TRUE(DialogDriver::WaitUntil([&] { return (other = OtherDialogOf(thread, first.dialog())) != nullptr; }));
        DialogDriver d(other, thread);

        // Cancel ends the first one's packing; it comes back to its rows at once.
        first.ClickLater(IDCANCEL);
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return !packing(first); }, 30000))
            << "the first dialog heard of the end only when the second closed";
        EXPECT_TRUE(IsWindowEnabled(first.Item(IDOK)));
        EXPECT_TRUE(testing_support::WorkingFoldersLeft().empty());

        // Packed through: the first one attaches its archive and closes, the second open all along.
        first.Select(IDC_CHOSEN_LIST, {first.RowNamed(IDC_CHOSEN_LIST, L"large.bin")});
        first.Click(IDC_REMOVE);
        first.ClickLater(IDOK);
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return !IsWindowVisible(first.dialog()); }, 30000));
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return Attached().size() == 1; }));
        EXPECT_TRUE(d.IsOpen());
        EXPECT_TRUE(second->attachments().items().empty());
        d.ClickLater(IDCANCEL);
        EXPECT_TRUE(DialogDriver::WaitUntil([&] { return !IsWindowVisible(other); }));
    });
    DestroyWindow(nesting);
    nestedMail = nullptr;
    ASSERT_EQ(1u, Attached().size());
    EXPECT_EQ(std::vector<std::string>{Entry("small.txt")}, ArchiveEntries());
    EXPECT_TRUE(testing_support::WorkingFoldersLeft().empty());
}

TEST_F(AttachmentDialogTest, AThrowInTheDialogOrItsListsProcedureIsCaughtAndSaidAndTheDialogGoesOn) {
    MakeWork();
    testing_support::DebugOutputCapture capture;
    ASSERT_TRUE(capture.ready());
    DWORD dialogThread = GetCurrentThreadId();
    Run([&](DialogDriver& d) {
        d.SelectNamed(IDC_BROWSER_LIST, {L"A.txt"});
        {
            // Memory runs out on the dialog's thread: Add in the dialog procedure, a drop in
            // the chosen list's own procedure.
            testing_support::AllocationFailure none(dialogThread);
            d.Click(IDC_ADD);
            d.Drop(IDC_CHOSEN_LIST, {W(folder.path("b.txt"))});
        }
        std::string said = testing_support::Joined(capture.Take(2));
        EXPECT_NE(std::string::npos, said.find("The attachment dialog ended by an exception: std::bad_alloc")) << said;
        EXPECT_NE(std::string::npos, said.find("Dropping files on the chosen list ended by an exception")) << said;
        EXPECT_TRUE(d.IsOpen());
        d.Click(IDC_ADD);  // with memory again, the dialog works on
        EXPECT_EQ((Texts{L"A.txt"}), d.Column(IDC_CHOSEN_LIST, 0));
        d.Click(IDCANCEL);
    });
}
