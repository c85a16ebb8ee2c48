// The face bitmap's recolouring and the ribbon picture's resizing on real DIB sections,
// and the clipboard snapshot that keeps what the user copied while the face is pasted.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "client/addin/ButtonFace.h"
#include "client/addin/ClipboardSnapshot.h"
#include "client/dialog/ScaledPicture.h"
#include "common/UniqueResource.h"

using namespace parcelon;

namespace {
// A bottom-up DIB section of the given depth; `bits` receives its pixels.
UniqueGdiObject Section(int width, int height, WORD depth, BYTE** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = depth;
    void* pixels = nullptr;
    UniqueGdiObject section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    *bits = static_cast<BYTE*>(pixels);
    return section;
}

void Fill(BYTE* pixel, COLORREF colour) {
    pixel[0] = GetBValue(colour);
    pixel[1] = GetGValue(colour);
    pixel[2] = GetRValue(colour);
}

COLORREF At(const BYTE* pixel) { return RGB(pixel[2], pixel[1], pixel[0]); }

void PutOnClipboard(UINT format, const void* data, size_t size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(memory), data, size);
    GlobalUnlock(memory);
    SetClipboardData(format, memory);
}

std::string ClipboardBytes(UINT format) {
    std::string bytes;
    if (!OpenClipboard(nullptr)) return "(not available)";
    if (HANDLE data = GetClipboardData(format)) {
        bytes.assign(static_cast<const char*>(GlobalLock(data)), GlobalSize(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return bytes;
}
}  // namespace

TEST(RecolorFaceBackground, ReplacesTheThreeBackgroundColoursOnlyAndEveryRowOfAPaddedBitmap) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF kept[] = {RGB(196, 140, 72), RGB(207, 207, 206), RGB(209, 216, 219), RGB(0, 0, 0)};
    const COLORREF replaced[] = {RGB(255, 255, 255), RGB(207, 207, 207), RGB(219, 216, 209)};
    // 16 wide: rows of 48 bytes; 5 wide: rows of 15 bytes padded to 16.
    for (int width : {16, 5}) {
        SCOPED_TRACE(width);
        BYTE* bits = nullptr;
        UniqueGdiObject bitmap = Section(width, 7, 24, &bits);
        ASSERT_TRUE(bitmap);
        const int stride = (width * 3 + 3) & ~3;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < width; ++x)
                Fill(bits + y * stride + x * 3, (x + y) % 2 ? replaced[(x + y) % 3] : kept[(x * 7 + y) % 4]);
        ASSERT_TRUE(RecolorFaceBackground(static_cast<HBITMAP>(bitmap.get())));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < width; ++x) {
                COLORREF expected = (x + y) % 2 ? face : kept[(x * 7 + y) % 4];
                ASSERT_EQ(expected, At(bits + y * stride + x * 3)) << x << "," << y;
            }
    }
}

TEST(RecolorFaceBackground, AllWhiteBecomesAllButtonFaceAndOtherDepthsAreLeftAlone) {
    BYTE* bits = nullptr;
    UniqueGdiObject white = Section(16, 16, 24, &bits);
    memset(bits, 0xFF, 16 * 48);
    ASSERT_TRUE(RecolorFaceBackground(static_cast<HBITMAP>(white.get())));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(GetSysColor(COLOR_BTNFACE), At(bits + i * 3)) << i;

    UniqueGdiObject deep = Section(16, 16, 32, &bits);
    memset(bits, 0xFF, 16 * 64);
    EXPECT_FALSE(RecolorFaceBackground(static_cast<HBITMAP>(deep.get())));
    for (int i = 0; i < 16 * 64; ++i) ASSERT_EQ(0xFF, bits[i]);
    UniqueGdiObject device(CreateBitmap(16, 16, 1, 24, nullptr));  // no pixel bits of its own
    EXPECT_FALSE(RecolorFaceBackground(static_cast<HBITMAP>(device.get())));
    EXPECT_FALSE(RecolorFaceBackground(nullptr));
}

TEST(ResizedAlphaPicture, AveragesPremultipliedPixelsSoEdgesBlendAndCornersStayTransparent) {
    // 64 x 64: transparent but for an opaque square from 7 to 57.
    BYTE* bits = nullptr;
    UniqueGdiObject picture = Section(64, 64, 32, &bits);
    ASSERT_TRUE(picture);
    for (int y = 7; y < 57; ++y)
        for (int x = 7; x < 57; ++x) {
            BYTE* p = bits + (y * 64 + x) * 4;
            Fill(p, RGB(196, 140, 72));
            p[3] = 255;
        }
    UniqueGdiObject resized = ResizedAlphaPicture(static_cast<HBITMAP>(picture.get()), 56, 56);
    ASSERT_TRUE(resized);
    DIBSECTION info = {};
    ASSERT_EQ(static_cast<int>(sizeof info), GetObjectW(resized.get(), sizeof info, &info));
    EXPECT_EQ(56, info.dsBm.bmWidth);
    EXPECT_EQ(32, info.dsBm.bmBitsPixel);
    const auto* out = static_cast<const BYTE*>(info.dsBm.bmBits);
    auto alpha = [&](int x, int y) { return out[(y * 56 + x) * 4 + 3]; };
    EXPECT_EQ(0, alpha(0, 0));
    EXPECT_EQ(0, alpha(55, 55));
    EXPECT_EQ(255, alpha(28, 28));
    EXPECT_EQ(RGB(196, 140, 72), At(out + (28 * 56 + 28) * 4));
    // Pixel 6 covers source columns 6 (transparent) and 7 (opaque): half covered, its
    // colour premultiplied by that half.
    EXPECT_EQ(255 / 2, alpha(6, 28));
    EXPECT_EQ(196 / 2, out[(28 * 56 + 6) * 4 + 2]);

    UniqueGdiObject opaque = Section(16, 16, 24, &bits);
    EXPECT_FALSE(ResizedAlphaPicture(static_cast<HBITMAP>(opaque.get()), 8, 8)) << "only 32-bit pictures";
}

TEST(ClipboardSnapshot, PutsBackTextAndPrivateFormatsAndAnEmptyClipboardStaysEmpty) {
    const UINT custom = RegisterClipboardFormatW(L"Parcelon test format");
    const std::wstring text = L"kept text \u00e9";
    const char blob[] = {1, 2, 3, 0, 5};
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    PutOnClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    PutOnClipboard(custom, blob, sizeof blob);
    CloseClipboard();
    {
        ClipboardSnapshot snapshot(nullptr);
        ASSERT_TRUE(snapshot.taken());
        EXPECT_GE(snapshot.formats(), 2u);
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        SetClipboardData(CF_BITMAP, CreateBitmap(16, 16, 1, 32, nullptr));
        CloseClipboard();
        EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    }
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t)),
              ClipboardBytes(CF_UNICODETEXT).substr(0, (text.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(std::string(blob, sizeof blob), ClipboardBytes(custom).substr(0, sizeof blob));

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    {
        ClipboardSnapshot snapshot(nullptr);
        ASSERT_TRUE(OpenClipboard(nullptr));
        SetClipboardData(CF_BITMAP, CreateBitmap(16, 16, 1, 32, nullptr));
        CloseClipboard();
    }
    EXPECT_EQ(0, CountClipboardFormats());
}

TEST(ClipboardSnapshot, ClipboardHeldElsewhereIsNotTaken) {
    HWND other = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(OpenClipboard(other));
    // Held by this thread: a snapshot taken on another thread cannot open it.
    std::thread([] {
        ClipboardSnapshot snapshot(nullptr);
        EXPECT_FALSE(snapshot.taken());
    }).join();
    CloseClipboard();
    DestroyWindow(other);
}
