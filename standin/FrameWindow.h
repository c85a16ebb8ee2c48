// A real top-level window of the stand-in (a main window or a compose window). A window
// with command bars draws them as buttons with their faces and captions, and a click on
// a button raises that button's Click event; a window showing a ribbon draws the ribbon
// instead, and a click on a ribbon button runs its action.
#pragma once

#include <functional>
#include <string>
#include <windows.h>

#include "RibbonStrip.h"

namespace standin {

class CommandBars;
class CommandBarControl;

class FrameWindow {
public:
    // `bars` is not counted: the window object that owns this frame holds it.
    FrameWindow(std::wstring caption, CommandBars* bars);
    ~FrameWindow();
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;

    // Made, hidden, on first use.
    HWND Handle();
    void Show();
    void Redraw();
    void Destroy();
    // Where a visible control of a visible bar is drawn, in client coordinates.
    bool ControlRect(const CommandBarControl* control, RECT& rect);
    bool RibbonButtonRect(const RibbonButton* button, RECT& rect);

    // Shown in place of the command bars, as in the windows of Outlook 2007 and later.
    bool showsRibbon = false;
    RibbonStrip ribbon;

    std::wstring body;              // text drawn below the bars
    std::function<void()> onClose;  // the user closed the window; it is destroyed after

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    template <class Visit>
    void Layout(HDC dc, Visit visit);
    void Paint(HDC dc);
    void ClickAt(POINT point);
    // Runs `use` with a device context of the window in the font it draws with.
    template <class Use>
    auto WithDC(Use use);

    std::wstring caption_;
    CommandBars* bars_;
    HWND window_ = nullptr;
};

}  // namespace standin
