// The ribbon of a stand-in compose window: the Message tab with built-in groups drawn as
// placeholders and the groups add-ins place among them. Each group is a row of large
// buttons (a 32 x 32 picture above the label) with the group's label underneath.
#pragma once

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

#include "common/UniqueResource.h"

namespace standin {

struct RibbonButton {
    std::wstring label;
    parcelon::UniqueGdiObject picture;  // a bitmap of its own; none: a placeholder face
    std::function<void()> onAction;     // none: the button does nothing here
};

struct RibbonGroup {
    std::wstring idMso;  // built-in groups only
    std::wstring label;
    std::vector<RibbonButton> buttons;
};

class RibbonStrip {
public:
    // The built-in groups of the Message tab, with buttons that do nothing.
    RibbonStrip();

    // A new group after the built-in group `insertAfterMso`, or at the end when there is none.
    RibbonGroup& AddGroup(const std::wstring& label, const std::wstring& insertAfterMso);
    const std::vector<RibbonGroup>& groups() const { return groups_; }
    // The first button of an add-in's group with this label.
    const RibbonButton* FindAddedButton(const std::wstring& label) const;

    int Height() const;
    void Paint(HDC dc, int width) const;
    // Where `button` is drawn, in the coordinates Paint draws in.
    bool ButtonRect(HDC dc, const RibbonButton* button, RECT& rect) const;
    const RibbonButton* ButtonAt(HDC dc, POINT point) const;

private:
    // Calls visit(group, groupRect) and visit for each button (group, &button, rect); stops
    // when visit returns true.
    template <class Visit>
    void Layout(HDC dc, Visit visit) const;

    std::vector<RibbonGroup> groups_;
};

}  // namespace standin
