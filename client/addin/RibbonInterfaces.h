// The Office ribbon interfaces an add-in meets: IRibbonExtensibility, which it offers,
// and IRibbonControl, the control the host passes to its callbacks.
#pragma once

#include <oaidl.h>

namespace parcelon {

// {000C0396-0000-0000-C000-000000000046}
inline constexpr IID IID_IRibbonExtensibility = {
    0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000C0395-0000-0000-C000-000000000046}: Id, Context and Tag, read by name.
inline constexpr IID IID_IRibbonControl = {
    0x000C0395, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline constexpr DISPID DISPID_GetCustomUI = 1;

struct IRibbonExtensibility : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) = 0;
};

// The ribbon of the compose window, the one that gets the button.
inline constexpr wchar_t kMailComposeRibbon[] = L"Microsoft.Outlook.Mail.Compose";
// The ribbon of the main window; from Outlook 2013 on it carries the tab of an inline reply.
inline constexpr wchar_t kExplorerRibbon[] = L"Microsoft.Outlook.Explorer";
inline constexpr int kFirstInlineResponseVersion = 15;

// The customUI namespaces of ribbon markup: Outlook 2007's, and the one of 2010 and later.
inline constexpr wchar_t kCustomUINamespace2006[] = L"http://schemas.microsoft.com/office/2006/01/customui";
inline constexpr wchar_t kCustomUINamespace2009[] = L"http://schemas.microsoft.com/office/2009/07/customui";

}  // namespace parcelon
