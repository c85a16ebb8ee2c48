// An XML document read with MSXML through COM.
#include "XmlDocument.h"

#include "common/UniqueResource.h"
#include "common/Variant.h"

namespace standin {

namespace {
// {88D96A05-F192-11D4-A65F-0040963251E5}
constexpr CLSID kDomDocument60 = {0x88D96A05, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
// {2933BF95-7B36-11D2-B20E-00C04F983E60}
constexpr IID kXmlDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
// {2933BF86-7B36-11D2-B20E-00C04F983E60}
constexpr IID kXmlElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

std::wstring Taken(BSTR text) {
    parcelon::UniqueBstr owner(text);
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}
}  // namespace

XmlDocument::XmlDocument() {
    if (FAILED(CoCreateInstance(kDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kXmlDocument2, document_.putVoid())))
        document_.reset();
    if (!document_) return;
    document_->put_async(VARIANT_FALSE);
    SetProperty(L"SelectionLanguage", L"XPath");
}

bool XmlDocument::Load(const std::wstring& text) {
    parseError_.clear();
    if (!document_) {
        parseError_ = L"no XML parser (DOMDocument 6.0 cannot be created)";
        return false;
    }
    parcelon::UniqueBstr source(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    VARIANT_BOOL loaded = VARIANT_FALSE;
    if (SUCCEEDED(document_->loadXML(source.get(), &loaded)) && loaded == VARIANT_TRUE) return true;
    parcelon::ComPtr<IXMLDOMParseError> error;
    BSTR reason = nullptr;
    if (SUCCEEDED(document_->get_parseError(error.put())) && error) error->get_reason(&reason);
    parseError_ = Taken(reason);
    while (!parseError_.empty() && iswspace(parseError_.back())) parseError_.pop_back();
    if (parseError_.empty()) parseError_ = L"not well-formed";
    return false;
}

std::wstring XmlDocument::RootNamespace() const {
    parcelon::ComPtr<IXMLDOMElement> root;
    if (!document_ || FAILED(document_->get_documentElement(root.put())) || !root) return L"";
    BSTR uri = nullptr;
    root->get_namespaceURI(&uri);
    return Taken(uri);
}

bool XmlDocument::UseNamespaces(const std::wstring& declarations) {
    return SetProperty(L"SelectionNamespaces", declarations);
}

bool XmlDocument::SetProperty(const wchar_t* name, const std::wstring& value) {
    if (!document_) return false;
    parcelon::UniqueBstr propertyName(SysAllocString(name));
    parcelon::Variant v = parcelon::Variant::String(value);
    return SUCCEEDED(document_->setProperty(propertyName.get(), *v.get()));
}

std::vector<parcelon::ComPtr<IXMLDOMNode>> XmlDocument::Select(const std::wstring& path, IXMLDOMNode* context) const {
    std::vector<parcelon::ComPtr<IXMLDOMNode>> nodes;
    if (!document_) return nodes;
    parcelon::UniqueBstr query(SysAllocString(path.c_str()));
    parcelon::ComPtr<IXMLDOMNodeList> list;
    HRESULT hr = context ? context->selectNodes(query.get(), list.put()) : document_->selectNodes(query.get(), list.put());
    if (FAILED(hr) || !list) return nodes;
    for (;;) {
        parcelon::ComPtr<IXMLDOMNode> node;
        if (list->nextNode(node.put()) != S_OK || !node) break;
        nodes.push_back(node);
    }
    return nodes;
}

std::wstring XmlDocument::Text(const std::wstring& path) const {
    auto nodes = Select(path);
    if (nodes.empty()) return L"(none)";
    BSTR text = nullptr;
    nodes.front()->get_text(&text);
    return Taken(text);
}

std::wstring XmlDocument::Attribute(IXMLDOMNode* node, const wchar_t* name) {
    parcelon::ComPtr<IXMLDOMElement> element;
    if (!node || FAILED(node->QueryInterface(kXmlElement, element.putVoid())) || !element) return L"";
    parcelon::UniqueBstr attributeName(SysAllocString(name));
    parcelon::Variant value;
    if (element->getAttribute(attributeName.get(), value.put()) != S_OK || value.type() != VT_BSTR) return L"";
    return std::wstring(value.get()->bstrVal, SysStringLen(value.get()->bstrVal));
}

}  // namespace standin
