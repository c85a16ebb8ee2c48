// The stand-in's side of the Office ribbon.
#include "AddinRibbons.h"

#include <cstdio>
#include <olectl.h>

#include "RibbonControl.h"
#include "RibbonMarkup.h"
#include "WindowObjects.h"
#include "common/TextConversion.h"
#include "common/Variant.h"

namespace standin {

namespace {
constexpr wchar_t kComposeTab[] = L"TabNewMailMessage";
// The Explorer's contextual tab set of an inline reply, and its Message tab.
constexpr wchar_t kComposeToolsTabSet[] = L"TabComposeTools";
constexpr wchar_t kInlineMessageTab[] = L"TabMessage";

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// A copy of the bitmap an IPictureDisp holds, which the picture may free when released.
HGDIOBJ CopyPictureBitmap(const VARIANT& value, std::wstring& problem) {
    IUnknown* object = value.vt == VT_DISPATCH ? value.pdispVal : value.vt == VT_UNKNOWN ? value.punkVal : nullptr;
    parcelon::ComPtr<IPicture> picture;
    if (!object || FAILED(object->QueryInterface(IID_IPicture, picture.putVoid()))) {
        problem = L"no picture returned";
        return nullptr;
    }
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle))) {
        problem = L"the picture is not a bitmap";
        return nullptr;
    }
    HANDLE copy = CopyImage(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0, 0, 0);
    if (!copy) problem = L"the picture's bitmap cannot be copied";
    return copy;
}
}  // namespace

AddinRibbons::AddinRibbons(const std::wstring& version) : major_(_wtoi(version.c_str())) {}

AddinRibbons::~AddinRibbons() { Clear(); }

bool AddinRibbons::enabled() const { return major_ >= 12; }

void AddinRibbons::Clear() { addins_.clear(); }

void AddinRibbons::Report(const std::wstring& line) const {
    if (report) report(parcelon::Utf8FromWide(line));
}

void AddinRibbons::Connect(const std::wstring& name, IUnknown* addin) {
    if (!enabled() || !addin) return;
    Addin a;
    a.name = name;
    if (FAILED(addin->QueryInterface(parcelon::IID_IRibbonExtensibility, a.ribbon.putVoid())) || !a.ribbon) return;
    // Office calls the callbacks the markup names through the add-in's own IDispatch.
    a.ribbon->QueryInterface(IID_IDispatch, a.callbacks.putVoid());
    addins_.push_back(std::move(a));
    // The main window has a ribbon from Outlook 2010 (14) on.
    if (major_ >= 14) MarkupFor(addins_.back(), parcelon::kExplorerRibbon);
}

const std::wstring& AddinRibbons::MarkupFor(Addin& addin, const wchar_t* ribbonId) {
    auto known = addin.markup.find(ribbonId);
    if (known != addin.markup.end()) return known->second;
    parcelon::UniqueBstr id(SysAllocString(ribbonId));
    BSTR markup = nullptr;
    HRESULT hr = addin.ribbon->GetCustomUI(id.get(), &markup);
    parcelon::UniqueBstr owner(markup);
    std::wstring text = SUCCEEDED(hr) && markup ? std::wstring(markup, SysStringLen(markup)) : std::wstring();
    if (FAILED(hr))
        Report(L"ribbon asked: " + std::wstring(ribbonId) + L" of " + addin.name + L": failed " + Hex(hr));
    else
        Report(L"ribbon asked: " + std::wstring(ribbonId) + L" of " + addin.name + L": " +
               (text.empty() ? L"no markup" : std::to_wstring(text.size()) + L" characters of markup"));
    return addin.markup[ribbonId] = text;
}

RibbonButton AddinRibbons::MakeButton(const Addin& addin, const RibbonButtonMarkup& b, IDispatch* context) const {
    RibbonButton button;
    button.label = b.label;
    if (!b.getImage.empty()) {
        auto* control = new RibbonControl(b.id, b.tag, context);
        parcelon::Variant image;
        HRESULT hr = CallRibbonCallback(addin.callbacks.get(), b.getImage, control->dispatch(), image.put());
        control->Release();
        std::wstring problem = FAILED(hr) ? L"failed " + Hex(hr) : L"";
        if (SUCCEEDED(hr)) button.picture.reset(CopyPictureBitmap(*image.get(), problem));
        BITMAP info = {};
        if (button.picture) GetObjectW(button.picture.get(), sizeof info, &info);
        Report(L"ribbon picture: " + b.getImage + L" for " + b.id + L": " +
               (problem.empty() ? std::to_wstring(info.bmWidth) + L" x " + std::to_wstring(info.bmHeight) : problem));
    }
    if (b.onAction.empty()) return button;
    parcelon::ComPtr<IDispatch> callbacks = addin.callbacks;
    std::wstring onAction = b.onAction, id = b.id, tag = b.tag;
    auto tell = report;  // the button may outlive this object
    button.onAction = [tell, callbacks, onAction, id, tag, context] {
        auto* control = new RibbonControl(id, tag, context);
        parcelon::Variant ignored;
        HRESULT hr = CallRibbonCallback(callbacks.get(), onAction, control->dispatch(), ignored.put());
        control->Release();
        if (FAILED(hr) && tell)
            tell(parcelon::Utf8FromWide(L"ribbon action " + onAction + L" of " + id + L" failed: " + Hex(hr)));
    };
    return button;
}

void AddinRibbons::ShowComposeRibbon(Inspector& inspector) {
    // Not counted: the window owns its ribbon.
    ShowGroups(inspector.frame(), inspector.dispatch(), parcelon::kMailComposeRibbon, nullptr, kComposeTab);
}

void AddinRibbons::ShowInlineResponseRibbon(Explorer& explorer) {
    if (major_ < parcelon::kFirstInlineResponseVersion) return;
    ShowGroups(explorer.frame(), explorer.dispatch(), parcelon::kExplorerRibbon, kComposeToolsTabSet,
               kInlineMessageTab);
}

void AddinRibbons::ShowGroups(FrameWindow& frame, IDispatch* context, const wchar_t* ribbonId, const wchar_t* tabSet,
                              const wchar_t* tabId) {
    if (!enabled()) return;
    frame.showsRibbon = true;
    for (Addin& addin : addins_) {
        const std::wstring& markup = MarkupFor(addin, ribbonId);
        if (markup.empty()) continue;
        RibbonTabMarkup tab = ReadRibbonTab(markup, tabId, major_, tabSet);
        if (!tab.problem.empty()) {
            Report(L"ribbon of " + addin.name + L" not shown: " + tab.problem);
            continue;
        }
        for (const RibbonGroupMarkup& groupMarkup : tab.groups) {
            RibbonGroup& group = frame.ribbon.AddGroup(groupMarkup.label, groupMarkup.insertAfterMso);
            for (const RibbonButtonMarkup& b : groupMarkup.buttons) group.buttons.push_back(MakeButton(addin, b, context));
        }
    }
    frame.Redraw();
}

}  // namespace standin
