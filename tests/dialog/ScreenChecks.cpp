// Checks and screenshots of a window's face.
#include "ScreenChecks.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

#include "client/dialog/ListRows.h"
#include "common/DpiAwareness.h"
#include "common/TextConversion.h"
#include "common/WindowDC.h"
#include "tests/server/ComTestSupport.h"
#include "tests/support/WindowScreenshot.h"

namespace testing_support {

using namespace parcelon;

void ExpectNothingOverlapsOrIsCut(HWND window, UINT dpi) {
    RECT client = {};
    GetClientRect(window, &client);
    std::vector<std::pair<HWND, RECT>> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r = {};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
        std::string name = Utf8FromWide(WindowText(child)) + " (" + std::to_string(GetDlgCtrlID(child)) + ")";
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << name;
        for (const auto& [other, o] : controls) {
            RECT both = {};
            EXPECT_FALSE(IntersectRect(&both, &r, &o)) << name << " overlaps " << GetDlgCtrlID(other);
        }
        controls.push_back({child, r});
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        LONG style = GetWindowLongW(child, GWL_STYLE);
        bool button = _wcsicmp(className, L"Button") == 0, label = _wcsicmp(className, L"Static") == 0;
        if (!(button || (label && (style & SS_TYPEMASK) != SS_BITMAP))) continue;
        std::wstring text = WindowText(child);
        text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
        bool checkBox = button && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        // The check is drawn at the window's DPI, the metric is the screen's.
        int check = MulDiv(GetSystemMetrics(SM_CXMENUCHECK), dpi, ScreenDpi()) + 4;
        int room = r.right - r.left - (checkBox ? check : 0);
        WindowDC dc(child);
        HGDIOBJ old = SelectObject(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
        RECT needed = {0, 0, room, 0};
        DrawTextW(dc.get(), text.c_str(), -1, &needed,
                  DT_CALCRECT | DT_NOPREFIX | (label ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc.get(), old);
        EXPECT_LE(needed.right, room) << name;
        EXPECT_LE(needed.bottom, r.bottom - r.top) << name;
    }
}

void SaveScreen(HWND window, const std::wstring& name) {
    std::wstring folder = BuildFile(L"screens\\");
    CreateDirectoryW(folder.c_str(), nullptr);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    UINT dpi = ScreenDpi();
    std::wstring file = folder + name + (dpi == kDefaultDpi ? L"" : L"-" + std::to_wstring(dpi) + L"dpi") + L".png";
    EXPECT_TRUE(SaveWindowPng(window, file)) << Utf8FromWide(file);
}

}  // namespace testing_support
