// The stand-in's mail item, its Attachments collection and the attachments themselves.
#include "MailObjects.h"

#include <algorithm>
#include <cstdint>

#include "ResultValues.h"
#include "client/addin/HostInterfaces.h"
#include "common/UniqueResource.h"

namespace standin {

namespace {
enum : DISPID {
    kUnRead = 0xF01C,
    kSent = 0xF402,
    kAttachments = 0xF815,
    kSubject = 0x37,
    kCount = 0xF050,
    kItem = 0x51,
    kAdd = 0x65,
    kFileName = 0x3704,
    kDisplayName = 0x3001,
    kDelete = 0x69,
};
constexpr GUID IID_Attachment = parcelon::HostIid(0x00063007);

bool IsGet(WORD flags) { return (flags & DISPATCH_PROPERTYGET) != 0; }

// Reads a whole file as Outlook does when it takes a copy for an attachment: sized once,
// read in large blocks.
bool ReadWholeFile(const std::wstring& path, std::vector<char>& content) {
    parcelon::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.get(), &size) || static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX / 2)
        return false;
    constexpr DWORD kBlock = 8 << 20;
    content.resize(static_cast<size_t>(size.QuadPart));
    size_t filled = 0;
    for (;;) {
        if (filled == content.size()) content.resize(filled + kBlock);  // the file grew meanwhile
        DWORD read = 0;
        DWORD wanted = static_cast<DWORD>(std::min<size_t>(kBlock, content.size() - filled));
        if (!ReadFile(file.get(), content.data() + filled, wanted, &read, nullptr)) return false;
        filled += read;
        if (read == 0) break;
    }
    content.resize(filled);
    return true;
}

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
}  // namespace

Attachment::Attachment(std::wstring fileName, std::vector<char> content, Attachments* owner)
    : StandInObject(L"Attachment", IID_Attachment,
                    {{L"FileName", kFileName}, {L"DisplayName", kDisplayName}, {L"Delete", kDelete}}),
      fileName_(std::move(fileName)),
      content_(std::move(content)),
      owner_(owner) {}

HRESULT Attachment::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (id == kDelete && (flags & DISPATCH_METHOD)) {
        if (!owner_) return E_UNEXPECTED;  // deleted already
        owner_->Remove(this);
        return S_OK;
    }
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    if (id == kFileName || id == kDisplayName) return PutString(result, fileName_);
    return DISP_E_MEMBERNOTFOUND;
}

Attachments::Attachments()
    : StandInObject(L"Attachments", parcelon::IID_OutlookAttachments,
                    {{L"Count", kCount}, {L"Item", kItem}, {L"Add", kAdd}}) {}

Attachments::~Attachments() {
    for (Attachment* a : items_) {
        a->owner_ = nullptr;
        a->Release();
    }
}

void Attachments::Remove(Attachment* attachment) {
    auto found = std::find(items_.begin(), items_.end(), attachment);
    if (found == items_.end()) return;
    items_.erase(found);
    attachment->owner_ = nullptr;
    attachment->Release();
}

HRESULT Attachments::InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
    switch (id) {
        case kCount:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(items_.size());
            return S_OK;
        case kItem: {
            const VARIANT* index = Argument(params, 0);
            if (!index || index->vt != VT_I4) return DISP_E_TYPEMISMATCH;
            if (index->lVal < 1 || index->lVal > static_cast<LONG>(items_.size())) return DISP_E_BADINDEX;
            PutDispatch(result, items_[index->lVal - 1]);
            return S_OK;
        }
        case kAdd:
            return (flags & DISPATCH_METHOD) ? Add(params, result) : DISP_E_MEMBERNOTFOUND;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT Attachments::Add(const DISPPARAMS* params, VARIANT* result) {
    const VARIANT* source = Argument(params, 0);
    if (!source || source->vt != VT_BSTR || !source->bstrVal) return DISP_E_TYPEMISMATCH;
    AddCall call;
    call.source = source->bstrVal;
    if (const VARIANT* type = Argument(params, 1)) {
        call.typeVt = type->vt;
        call.type = type->vt == VT_I4 ? type->lVal : 0;
    }
    call.positionOmitted = IsOmitted(Argument(params, 2));
    call.displayNameOmitted = IsOmitted(Argument(params, 3));
    addCalls_.push_back(call);

    std::vector<char> content;
    DWORD attributes = GetFileAttributesW(call.source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !ReadWholeFile(call.source, content)) {
        Describe(L"Cannot add the attachment; no data is available.");
        return attributes == INVALID_FILE_ATTRIBUTES ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : E_ACCESSDENIED;
    }
    auto* attachment = new Attachment(FileNameOf(call.source), std::move(content), this);
    items_.push_back(attachment);
    PutDispatch(result, attachment);
    if (onAdded) onAdded();
    return S_OK;
}

MailItem::MailItem(bool unread, bool sent)
    : StandInObject(L"MailItem", parcelon::IID_OutlookMailItem,
                    {{L"UnRead", kUnRead}, {L"Sent", kSent}, {L"Attachments", kAttachments}, {L"Subject", kSubject}}),
      unread_(unread),
      sent_(sent),
      attachments_(new Attachments) {}

MailItem::~MailItem() { attachments_->Release(); }

HRESULT MailItem::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    switch (id) {
        case kUnRead: PutBool(result, unread_); return S_OK;
        case kSent: PutBool(result, sent_); return S_OK;
        case kAttachments: PutDispatch(result, attachments_); return S_OK;
        case kSubject: return PutString(result, subject);
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace standin
