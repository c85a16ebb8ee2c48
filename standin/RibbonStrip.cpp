// The ribbon of a stand-in compose window.
#include "RibbonStrip.h"

#include "ScreenPixels.h"
#include "common/UniqueResource.h"
#include "common/WindowDC.h"

namespace standin {

namespace {
constexpr int kTabRowHeight = 24;
constexpr int kStripHeight = 100;
constexpr int kPictureSize = 32;
constexpr int kButtonTop = 4;        // below the strip's top
constexpr int kButtonHeight = 74;    // picture and up to two lines of label
constexpr int kGroupLabelHeight = 18;
constexpr int kMinButtonWidth = 50;
constexpr COLORREF kStripColour = RGB(245, 246, 247);
constexpr COLORREF kLineColour = RGB(210, 210, 210);
constexpr COLORREF kGroupLabelColour = RGB(96, 96, 96);
constexpr COLORREF kTabAccent = RGB(43, 87, 154);

const wchar_t* const kTabs[] = {L"File", L"Message", L"Insert", L"Options", L"Format Text", L"Review"};
constexpr int kSelectedTab = 1;

int TextWidth(HDC dc, const std::wstring& text) {
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// A label may break once at a space, as ribbon labels of large buttons do.
int LabelWidth(HDC dc, const std::wstring& label) {
    int width = TextWidth(dc, label);
    size_t space = label.find(L' ');
    if (space != std::wstring::npos) {
        int first = TextWidth(dc, label.substr(0, space));
        int second = TextWidth(dc, label.substr(space + 1));
        width = first > second ? first : second;
    }
    return width;
}

void Fill(HDC dc, RECT rect, COLORREF colour) {
    parcelon::UniqueGdiObject brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}

// The stand-in has no icon library: a built-in button shows a sheet with a coloured band.
void DrawPlaceholderFace(HDC dc, int x, int y, int index) {
    static const COLORREF bands[] = {RGB(70, 120, 190), RGB(110, 110, 110), RGB(200, 60, 60), RGB(80, 150, 80)};
    auto at = [&](int left, int top, int right, int bottom) {
        return RECT{x + Px(left), y + Px(top), x + Px(right), y + Px(bottom)};
    };
    Fill(dc, at(6, 2, 26, 30), RGB(150, 150, 150));
    Fill(dc, at(7, 3, 25, 29), RGB(255, 255, 255));
    Fill(dc, at(9, 7, 23, 12), bands[index % 4]);
    for (int line = 15; line < 27; line += 4) Fill(dc, at(9, line, 23, line + 1), RGB(170, 170, 170));
}

// A 32-bit picture is laid over the strip by its (premultiplied) alpha, as the ribbon does.
void DrawPicture(HDC dc, HGDIOBJ picture, int x, int y) {
    BITMAP info = {};
    GetObjectW(picture, sizeof info, &info);
    parcelon::MemoryDC memory(dc, picture);
    if (!memory) return;
    if (info.bmBitsPixel == 32) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        GdiAlphaBlend(dc, x, y, Px(kPictureSize), Px(kPictureSize), memory.get(), 0, 0, info.bmWidth, info.bmHeight,
                      blend);
        return;
    }
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, x, y, Px(kPictureSize), Px(kPictureSize), memory.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

RibbonButton Placeholder(const wchar_t* label) {
    RibbonButton b;
    b.label = label;
    return b;
}
}  // namespace

RibbonStrip::RibbonStrip() {
    RibbonGroup clipboard{L"GroupClipboard", L"Clipboard", {}};
    clipboard.buttons.push_back(Placeholder(L"Paste"));
    RibbonGroup include{L"GroupInclude", L"Include", {}};
    include.buttons.push_back(Placeholder(L"Attach File"));
    include.buttons.push_back(Placeholder(L"Attach Item"));
    include.buttons.push_back(Placeholder(L"Signature"));
    RibbonGroup tags{L"GroupTags", L"Tags", {}};
    tags.buttons.push_back(Placeholder(L"Follow Up"));
    groups_.push_back(std::move(clipboard));
    groups_.push_back(std::move(include));
    groups_.push_back(std::move(tags));
}

RibbonGroup& RibbonStrip::AddGroup(const std::wstring& label, const std::wstring& insertAfterMso) {
    auto at = groups_.end();
    for (auto g = groups_.begin(); g != groups_.end(); ++g)
        if (!insertAfterMso.empty() && g->idMso == insertAfterMso) at = g + 1;
    // Groups already added after the same built-in group stay before this one.
    while (at != groups_.end() && at->idMso.empty()) ++at;
    return *groups_.insert(at, RibbonGroup{L"", label, {}});
}

const RibbonButton* RibbonStrip::FindAddedButton(const std::wstring& label) const {
    for (const RibbonGroup& g : groups_)
        if (g.idMso.empty())
            for (const RibbonButton& b : g.buttons)
                if (b.label == label) return &b;
    return nullptr;
}

int RibbonStrip::Height() const { return Px(kTabRowHeight) + Px(kStripHeight); }

template <class Visit>
void RibbonStrip::Layout(HDC dc, Visit visit) const {
    int left = 4;
    int top = Px(kTabRowHeight);
    for (const RibbonGroup& g : groups_) {
        int x = left + 3;
        for (const RibbonButton& b : g.buttons) {
            int width = LabelWidth(dc, b.label) + 12;
            if (width < Px(kMinButtonWidth)) width = Px(kMinButtonWidth);
            RECT rect = {x, top + Px(kButtonTop), x + width, top + Px(kButtonTop) + Px(kButtonHeight)};
            if (visit(g, &b, rect)) return;
            x += width + 2;
        }
        int right = x + 3;
        int labelRight = left + TextWidth(dc, g.label) + 16;
        if (right < labelRight) right = labelRight;
        if (visit(g, nullptr, RECT{left, top, right, top + Px(kStripHeight)})) return;
        left = right + 1;
    }
}

void RibbonStrip::Paint(HDC dc, int width) const {
    SetBkMode(dc, TRANSPARENT);
    Fill(dc, {0, 0, width, Px(kTabRowHeight)}, RGB(255, 255, 255));
    Fill(dc, {0, Px(kTabRowHeight), width, Px(kTabRowHeight) + Px(kStripHeight)}, kStripColour);
    Fill(dc, {0, Px(kTabRowHeight) + Px(kStripHeight) - 1, width, Px(kTabRowHeight) + Px(kStripHeight)}, kLineColour);
    int x = 8;
    for (int i = 0; i < static_cast<int>(sizeof kTabs / sizeof kTabs[0]); ++i) {
        std::wstring name = kTabs[i];
        int tabWidth = TextWidth(dc, name) + 20;
        RECT text = {x, 0, x + tabWidth, Px(kTabRowHeight)};
        if (i == kSelectedTab) {
            Fill(dc, {x, 3, x + tabWidth, Px(kTabRowHeight)}, kLineColour);
            Fill(dc, {x + 1, 4, x + tabWidth - 1, Px(kTabRowHeight)}, kStripColour);
            Fill(dc, {x + 4, Px(kTabRowHeight) - 3, x + tabWidth - 4, Px(kTabRowHeight) - 1}, kTabAccent);
        }
        SetTextColor(dc, i == 0 ? kTabAccent : RGB(40, 40, 40));
        DrawTextW(dc, name.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        x += tabWidth + 2;
    }
    int builtInIndex = 0;
    Layout(dc, [&](const RibbonGroup& g, const RibbonButton* b, const RECT& r) {
        if (!b) {
            RECT label = {r.left, r.bottom - Px(kGroupLabelHeight) - 2, r.right, r.bottom - 2};
            SetTextColor(dc, kGroupLabelColour);
            DrawTextW(dc, g.label.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
            Fill(dc, {r.right, r.top + 6, r.right + 1, r.bottom - 6}, kLineColour);
            return false;
        }
        int pictureX = (r.left + r.right - Px(kPictureSize)) / 2;
        int pictureY = r.top + 4;
        if (b->picture)
            DrawPicture(dc, b->picture.get(), pictureX, pictureY);
        else
            DrawPlaceholderFace(dc, pictureX, pictureY, builtInIndex++);
        RECT label = {r.left + 2, pictureY + Px(kPictureSize) + 4, r.right - 2, r.bottom};
        SetTextColor(dc, RGB(30, 30, 30));
        DrawTextW(dc, b->label.c_str(), -1, &label, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        return false;
    });
}

bool RibbonStrip::ButtonRect(HDC dc, const RibbonButton* button, RECT& rect) const {
    bool found = false;
    Layout(dc, [&](const RibbonGroup&, const RibbonButton* b, const RECT& r) {
        if (!b || b != button) return false;
        rect = r;
        found = true;
        return true;
    });
    return found;
}

const RibbonButton* RibbonStrip::ButtonAt(HDC dc, POINT point) const {
    const RibbonButton* hit = nullptr;
    Layout(dc, [&](const RibbonGroup&, const RibbonButton* b, const RECT& r) {
        if (b && PtInRect(&r, point)) hit = b;
        return hit != nullptr;
    });
    return hit;
}

}  // namespace standin
