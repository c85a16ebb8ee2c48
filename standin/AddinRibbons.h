// The stand-in's side of the Office ribbon, as Outlook 2007 and later run it: after an
// add-in's OnConnection it asks the add-in for IRibbonExtensibility and for the main
// window's ribbon; when the first compose window opens, for the compose ribbon, whose
// groups on the Message tab it shows in the window with pictures from the getImage
// callbacks; a click calls the onAction callback with a ribbon control of the window.
// Below version 12 it asks nothing.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "RibbonMarkup.h"
#include "RibbonStrip.h"
#include "client/addin/RibbonInterfaces.h"
#include "common/ComPtr.h"

namespace standin {

class Explorer;
class FrameWindow;
class Inspector;

class AddinRibbons {
public:
    explicit AddinRibbons(const std::wstring& version);
    ~AddinRibbons();
    AddinRibbons(const AddinRibbons&) = delete;
    AddinRibbons& operator=(const AddinRibbons&) = delete;

    bool enabled() const;

    // Right after the add-in's OnConnection.
    void Connect(const std::wstring& name, IUnknown* addin);
    // When a compose window opens: its ribbon gets the add-ins' groups on TabNewMailMessage.
    void ShowComposeRibbon(Inspector& inspector);
    // When the main window shows an inline reply (Outlook 2013 and later): its ribbon gets
    // the add-ins' groups on the Message tab of the Compose Tools tab set.
    void ShowInlineResponseRibbon(Explorer& explorer);
    // Lets go of every add-in, as the host does at shutdown.
    void Clear();

    // Told what happens, every GetCustomUI call among it (a line without line end, UTF-8).
    std::function<void(const std::string&)> report;

private:
    void ShowGroups(FrameWindow& frame, IDispatch* context, const wchar_t* ribbonId, const wchar_t* tabSet,
                    const wchar_t* tab);

    struct Addin {
        std::wstring name;
        parcelon::ComPtr<parcelon::IRibbonExtensibility> ribbon;
        parcelon::ComPtr<IDispatch> callbacks;
        std::map<std::wstring, std::wstring> markup;  // by ribbon ID, asked once each
    };
    const std::wstring& MarkupFor(Addin& addin, const wchar_t* ribbonId);
    // A button with its picture from the getImage callback and a click that calls onAction.
    RibbonButton MakeButton(const Addin& addin, const RibbonButtonMarkup& markup, IDispatch* context) const;
    void Report(const std::wstring& line) const;

    int major_;
    std::vector<Addin> addins_;
};

}  // namespace standin
