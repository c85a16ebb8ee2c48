// The mail item and its attachment collection, as the add-in uses them.
#include "MailItem.h"

#include "common/TextConversion.h"

namespace parcelon {

HostObject Attachments::Add(const std::string& utf8Path) const {
    return HostObject::FromVariant(Call(L"Add", {Variant::String(WideFromUtf8(utf8Path)), Variant::Long(olByValue),
                                                 Variant::Omitted(), Variant::Omitted()}),
                                   IID_OutlookAttachment);
}

}  // namespace parcelon
