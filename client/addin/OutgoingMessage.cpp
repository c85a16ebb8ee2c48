// What a message being sent carries.
#include "OutgoingMessage.h"

#include "common/TextConversion.h"

namespace parcelon {

namespace {
// A picture of an HTML body is attached by value too, and named in the body by its
// content id; files have none. Outlook refuses to read a property the attachment lacks.
bool IsPictureOfBody(const HostObject& attachment) {
    try {
        HostObject accessor = attachment.GetObject(L"PropertyAccessor", IID_OutlookPropertyAccessor);
        if (!accessor) return false;
        Variant id = accessor.Call(L"GetProperty", {Variant::String(kAttachContentIdProperty)});
        return id.get()->vt == VT_BSTR && SysStringLen(id.get()->bstrVal) > 0;
    } catch (const _com_error&) {
        return false;
    }
}
}  // namespace

OutgoingMessage ReadOutgoingMessage(const MailItem& mail) {
    OutgoingMessage message;
    Attachments attachments = mail.GetAttachments();
    long count = attachments.GetLong(L"Count");
    for (long i = 1; i <= count; ++i) {
        HostObject attachment =
            HostObject::FromVariant(attachments.GetIndexed(L"Item", Variant::Long(i)), IID_OutlookAttachment);
        if (!attachment) continue;
        long size = attachment.GetLong(L"Size");
        uint64_t bytes = size > 0 ? static_cast<uint64_t>(size) : 0;
        if (attachment.GetLong(L"Type") == olByValue && !IsPictureOfBody(attachment)) {
            message.files.push_back({attachment, Utf8FromWide(attachment.GetString(L"FileName")), bytes});
            message.fileBytes += bytes;
        } else {
            message.otherBytes += bytes;
        }
    }
    message.otherBytes += Utf8FromWide(mail.GetString(L"Body")).size();
    return message;
}

}  // namespace parcelon
