// The groups an add-in's ribbon markup puts on one tab of a window, read the way Outlook
// reads customUI: with an XML parser, in the customUI namespaces the version it plays knows.
#pragma once

#include <string>
#include <vector>

namespace standin {

struct RibbonButtonMarkup {
    std::wstring id, tag, label, size, screentip, supertip, onAction, getImage;
};

struct RibbonGroupMarkup {
    std::wstring id, label, insertAfterMso;
    std::vector<RibbonButtonMarkup> buttons;
};

struct RibbonTabMarkup {
    std::vector<RibbonGroupMarkup> groups;
    std::wstring problem;  // why the markup was refused; empty when it was read
};

// Outlook 2007 (12) reads the 2006/01 customUI namespace; 2010 (14) and later also 2009/07.
std::vector<std::wstring> CustomUINamespaces(int majorVersion);

// The groups and buttons `markup` places on the built-in tab `tabIdMso`: one of the
// window's own tabs, or with `tabSetIdMso` one of that contextual tab set.
RibbonTabMarkup ReadRibbonTab(const std::wstring& markup, const wchar_t* tabIdMso, int majorVersion,
                              const wchar_t* tabSetIdMso = nullptr);

}  // namespace standin
