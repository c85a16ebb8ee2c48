// The mail item and its attachment collection, as the add-in uses them.
#pragma once

#include <string>

#include "HostInterfaces.h"
#include "HostObject.h"

namespace parcelon {

class Attachments : public HostObject {
public:
    Attachments() = default;
    explicit Attachments(HostObject object) : HostObject(std::move(object)) {}
    // Attaches a copy of the file at the UTF-8 path (handed on exactly, as UTF-16) by
    // value, named after the file; returns the new Attachment (Delete takes it off again).
    HostObject Add(const std::string& utf8Path) const;
};

class MailItem : public HostObject {
public:
    MailItem() = default;
    explicit MailItem(IUnknown* object) : HostObject(object, IID_OutlookMailItem) {}
    // An object already queried for _MailItem, or empty.
    explicit MailItem(HostObject object) : HostObject(std::move(object)) {}
    bool UnRead() const { return GetBool(L"UnRead"); }
    bool Sent() const { return GetBool(L"Sent"); }
    Attachments GetAttachments() const { return Attachments(GetObject(L"Attachments", IID_OutlookAttachments)); }
};

}  // namespace parcelon
