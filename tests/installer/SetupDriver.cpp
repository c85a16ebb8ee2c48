// setup-driver: goes through the setup program's window as a user does and keeps a picture
// of each page. Waits for the window captioned CAPTION, saves OUTDIR\welcome.bmp, clicks
// Install, answers a failure message (saved as failure.bmp), saves finish.bmp on
// the last page and clicks Finish. Prints what it saw; exit code 0 when it got to the end.
#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

#include "common/TextConversion.h"
#include "common/UniqueResource.h"

using namespace parcelon;

namespace {
const DWORD kWaitMs = 180000;

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

struct Search {
    const std::wstring* caption;
    HWND except;
    HWND found;
};

// A visible top-level dialog window with the caption, other than `except`.
HWND FindDialog(const std::wstring& caption, HWND except) {
    Search search = {&caption, except, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t cls[64] = {};
            GetClassNameW(window, cls, 64);
            if (window != s->except && IsWindowVisible(window) && lstrcmpW(cls, L"#32770") == 0 &&
                TextOf(window) == *s->caption) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The window's screen area as a 24-bit BMP file.
bool SavePicture(HWND window, const std::wstring& path) {
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(700);
    RECT r = {};
    GetWindowRect(window, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    UniqueGdiObject bitmap(CreateCompatibleBitmap(screen, width, height));
    HGDIOBJ old = SelectObject(memory, bitmap.get());
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    DWORD stride = ((width * 3 + 3) / 4) * 4;
    std::vector<char> pixels(stride * height);
    GetDIBits(memory, static_cast<HBITMAP>(bitmap.get()), 0, height, pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = static_cast<DWORD>(header.bfOffBits + pixels.size());
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), &header, sizeof header, &written, nullptr) &&
           WriteFile(file.get(), &info, sizeof info, &written, nullptr) &&
           WriteFile(file.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
}

void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Waits until `ready` holds, answering a message box of the setup program meanwhile.
template <class Ready>
bool WaitFor(const std::wstring& caption, HWND setup, const std::wstring& folder, Ready ready) {
    for (DWORD waited = 0; waited < kWaitMs; waited += 200) {
        if (ready()) return true;
        if (HWND box = FindDialog(caption, setup)) {
            std::printf("message: %s\n", Utf8FromWide(TextOf(GetDlgItem(box, 0xFFFF))).c_str());
            SavePicture(box, folder + L"\\failure.bmp");
            Click(box, IDOK);
        }
        Sleep(200);
    }
    return false;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 3;
    const std::wstring caption = argv[1], folder = argv[2];
    HWND setup = nullptr;
    if (!WaitFor(caption, nullptr, folder, [&] { return (setup = FindDialog(caption, nullptr)) != nullptr; })) {
        std::printf("no window \"%s\"\n", Utf8FromWide(caption).c_str());
        return 1;
    }
    HWND next = GetDlgItem(setup, 1);
    std::printf("first page button: %s\n", Utf8FromWide(TextOf(next)).c_str());
    SavePicture(setup, folder + L"\\welcome.bmp");
    Click(setup, 1);
    if (!WaitFor(caption, setup, folder, [&] { return TextOf(next) == L"&Finish" && IsWindowEnabled(next); })) {
        std::printf("no last page\n");
        return 1;
    }
    std::printf("last page button: %s\n", Utf8FromWide(TextOf(next)).c_str());
    SavePicture(setup, folder + L"\\finish.bmp");
    Click(setup, 1);
    for (DWORD waited = 0; IsWindow(setup) && waited < kWaitMs; waited += 200) Sleep(200);
    std::printf("closed %d\n", !IsWindow(setup));
    std::fflush(stdout);
    return IsWindow(setup) ? 1 : 0;
}
