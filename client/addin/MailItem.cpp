// The mail item and its attachment collection, as the add-in uses them.
#include "MailItem.h"

#include "common/TextConversion.h"

namespace parcelon {

void Attachments::Add(const std::string& ansiPath) const {
    Call(L"Add", {Variant::String(WideFromAnsi(ansiPath)), Variant::Long(olByValue), Variant::Omitted(),
                  Variant::Omitted()});
}

}  // namespace parcelon
