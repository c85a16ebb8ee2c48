// Ribbon markup read with MSXML.
#include "RibbonMarkup.h"

#include <algorithm>

#include "XmlDocument.h"
#include "client/addin/RibbonInterfaces.h"

namespace standin {

std::vector<std::wstring> CustomUINamespaces(int majorVersion) {
    if (majorVersion < 12) return {};
    if (majorVersion < 14) return {parcelon::kCustomUINamespace2006};
    return {parcelon::kCustomUINamespace2006, parcelon::kCustomUINamespace2009};
}

RibbonTabMarkup ReadRibbonTab(const std::wstring& markup, const wchar_t* tabIdMso, int majorVersion,
                              const wchar_t* tabSetIdMso) {
    RibbonTabMarkup tab;
    XmlDocument document;
    if (!document.Load(markup)) {
        tab.problem = L"markup not read: " + document.parseError();
        return tab;
    }
    std::wstring uri = document.RootNamespace();
    std::vector<std::wstring> known = CustomUINamespaces(majorVersion);
    if (std::find(known.begin(), known.end(), uri) == known.end()) {
        tab.problem = L"customUI namespace not known to this version: " + (uri.empty() ? L"(none)" : uri);
        return tab;
    }
    if (!document.UseNamespaces(L"xmlns:c='" + uri + L"'")) {
        tab.problem = L"XPath namespaces refused";
        return tab;
    }
    // XPath 1.0 has no escaping inside a literal; idMso values never hold a quote.
    std::wstring tabs = tabSetIdMso ? std::wstring(L"/c:customUI/c:ribbon/c:contextualTabs/c:tabSet[@idMso='") +
                                          tabSetIdMso + L"']"
                                    : std::wstring(L"/c:customUI/c:ribbon/c:tabs");
    std::wstring groups = tabs + L"/c:tab[@idMso='" + tabIdMso + L"']/c:group";
    for (auto& groupNode : document.Select(groups)) {
        RibbonGroupMarkup group;
        group.id = XmlDocument::Attribute(groupNode.get(), L"id");
        group.label = XmlDocument::Attribute(groupNode.get(), L"label");
        group.insertAfterMso = XmlDocument::Attribute(groupNode.get(), L"insertAfterMso");
        for (auto& buttonNode : document.Select(L"c:button", groupNode.get())) {
            RibbonButtonMarkup b;
            IXMLDOMNode* n = buttonNode.get();
            b.id = XmlDocument::Attribute(n, L"id");
            b.tag = XmlDocument::Attribute(n, L"tag");
            b.label = XmlDocument::Attribute(n, L"label");
            b.size = XmlDocument::Attribute(n, L"size");
            b.screentip = XmlDocument::Attribute(n, L"screentip");
            b.supertip = XmlDocument::Attribute(n, L"supertip");
            b.onAction = XmlDocument::Attribute(n, L"onAction");
            b.getImage = XmlDocument::Attribute(n, L"getImage");
            group.buttons.push_back(std::move(b));
        }
        tab.groups.push_back(std::move(group));
    }
    return tab;
}

}  // namespace standin
