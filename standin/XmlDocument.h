// An XML document read with MSXML through COM (DOMDocument 6.0), queried with XPath: how
// the stand-in reads an add-in's ribbon markup, and how tests read it too.
#pragma once

#include <msxml2.h>
#include <string>
#include <vector>

#include "common/ComPtr.h"

namespace standin {

class XmlDocument {
public:
    XmlDocument();  // no parser: available() is false and nothing loads

    bool available() const { return static_cast<bool>(document_); }
    // True when `text` is well-formed; otherwise parseError() says why.
    bool Load(const std::wstring& text);
    const std::wstring& parseError() const { return parseError_; }
    // The namespace URI of the root element, empty for none.
    std::wstring RootNamespace() const;
    // Prefix declarations for the queries, such as "xmlns:c='http://...'".
    bool UseNamespaces(const std::wstring& declarations);

    // The nodes `path` selects, below `context` or the document.
    std::vector<parcelon::ComPtr<IXMLDOMNode>> Select(const std::wstring& path, IXMLDOMNode* context = nullptr) const;
    // The text of the first node `path` selects, or "(none)".
    std::wstring Text(const std::wstring& path) const;
    long Count(const std::wstring& path) const { return static_cast<long>(Select(path).size()); }

    // An attribute of an element node; empty when it has none.
    static std::wstring Attribute(IXMLDOMNode* node, const wchar_t* name);

private:
    bool SetProperty(const wchar_t* name, const std::wstring& value);

    parcelon::ComPtr<IXMLDOMDocument2> document_;
    std::wstring parseError_;
};

}  // namespace standin
