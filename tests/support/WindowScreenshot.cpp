// Saves what a window shows on the screen as a PNG file: 8-bit RGB, no filtering.
#include "WindowScreenshot.h"

#include <cstdio>
#include <vector>
#include <zlib.h>

#include "common/UniqueResource.h"
#include "common/WindowDC.h"

namespace testing_support {

namespace {
// Outlook's process is aware of the system's DPI; so are the programs that take pictures
// of windows, so that at a high DPI they measure and copy real pixels.
const bool kSystemDpiAware = SetProcessDPIAware() != FALSE;

void PutBigEndian(std::vector<unsigned char>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

void PutChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian(out, static_cast<uint32_t>(crc));
}

// Rows of top-down 32-bit BGRX pixels to a PNG file image.
std::vector<unsigned char> EncodePng(const std::vector<unsigned char>& bgrx, int width, int height) {
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const unsigned char* row = &bgrx[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x) raw.insert(raw.end(), {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]});
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return {};
    packed.resize(packedSize);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}
// Raises the window and lets it paint: the messages of this thread's windows are handled
// for a while; a window of another thread paints on the redraw's own WM_PAINT.
void BringToScreen(HWND window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    for (int i = 0; i < 20; ++i) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(25);
    }
}
}  // namespace

bool SaveWindowPng(HWND window, const std::wstring& path) {
    if (!IsWindow(window)) return false;
    BringToScreen(window);
    RECT r = {};
    if (!GetWindowRect(window, &r)) return false;
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    parcelon::WindowDC screen(nullptr);
    parcelon::UniqueResource<parcelon::NullIsInvalid<HDC, &::DeleteDC>> memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    parcelon::UniqueGdiObject bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap || !bits) return false;
    HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    BOOL copied = BitBlt(memory.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory.get(), previous);
    if (!copied) return false;
    const auto* start = static_cast<const unsigned char*>(bits);
    std::vector<unsigned char> png =
        EncodePng(std::vector<unsigned char>(start, start + static_cast<size_t>(width) * height * 4), width, height);
    if (png.empty()) return false;
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    bool written = fwrite(png.data(), 1, png.size(), file) == png.size();
    return fclose(file) == 0 && written;
}

}  // namespace testing_support
