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
    kTo = 0xE04,
    kBody = 0x9100,
    kApplication = 0xF000,
    kSendUsingAccount = 0xFAD1,
    kCopy = 0xF032,
    kDisplay = 0xF3A6,
    kMailDelete = 0xF04A,
    kCount = 0xF050,
    kItem = 0x51,
    kAdd = 0x65,
    kFileName = 0x3704,
    kDisplayName = 0x3001,
    kDelete = 0x69,
    kSize = 0xE08,
    kType = 0xE17,
    kSaveAsFile = 0x68,
    kPropertyAccessor = 0xFAFD,
};

bool IsGet(WORD flags) { return (flags & DISPATCH_PROPERTYGET) != 0; }

constexpr const wchar_t* kTooLargeForServer =
    L"The file you're attaching is bigger than the server allows. Try putting the file in a shared location and "
    L"sending a link instead.";

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
    : StandInObject(L"Attachment", parcelon::IID_OutlookAttachment,
                    {{L"FileName", kFileName},
                     {L"DisplayName", kDisplayName},
                     {L"Delete", kDelete},
                     {L"Size", kSize},
                     {L"Type", kType},
                     {L"SaveAsFile", kSaveAsFile},
                     {L"PropertyAccessor", kPropertyAccessor}}),
      fileName_(std::move(fileName)),
      content_(std::move(content)),
      owner_(owner),
      accessor_(new PropertyAccessor) {}

Attachment::~Attachment() { accessor_->Release(); }

// Attachment.SaveAsFile: the content written to the path, replacing a file there.
HRESULT Attachment::SaveAsFile(const DISPPARAMS* params) {
    const VARIANT* path = Argument(params, 0);
    if (!path || path->vt != VT_BSTR || !path->bstrVal) return DISP_E_TYPEMISMATCH;
    parcelon::UniqueFile file(
        CreateFileW(path->bstrVal, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), content_.data(), static_cast<DWORD>(content_.size()), &written, nullptr) ||
        written != content_.size()) {
        Describe(L"Cannot save the attachment. Cannot create file: " + fileName_ + L".");
        return E_ACCESSDENIED;
    }
    if (owner_ && owner_->onSaved) owner_->onSaved();
    return S_OK;
}

HRESULT Attachment::InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
    if (id == kDelete && (flags & DISPATCH_METHOD)) {
        if (!owner_) return E_UNEXPECTED;  // deleted already
        owner_->Remove(this);
        return S_OK;
    }
    if (id == kSaveAsFile && (flags & DISPATCH_METHOD)) return SaveAsFile(params);
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    if (id == kFileName || id == kDisplayName) return PutString(result, fileName_);
    if (id == kSize || id == kType) {
        result->vt = VT_I4;
        result->lVal = id == kType ? type : static_cast<LONG>(content_.size());
        return S_OK;
    }
    if (id == kPropertyAccessor) {
        PutDispatch(result, accessor_);
        return S_OK;
    }
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

unsigned long long Attachments::totalBytes() const {
    unsigned long long total = 0;
    for (const Attachment* a : items_) total += a->content().size();
    return total;
}

void Attachments::CopyFrom(const Attachments& other) {
    for (const Attachment* a : other.items_) {
        auto* copy = new Attachment(a->fileName(), a->content(), this);
        copy->type = a->type;
        copy->accessor_->texts = a->accessor_->texts;
        items_.push_back(copy);
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
    if (maximumAttachmentSizeKb != 0 && totalBytes() + content.size() > maximumAttachmentSizeKb * 1024ull) {
        Describe(kTooLargeForServer);
        return E_FAIL;
    }
    auto* attachment = new Attachment(FileNameOf(call.source), std::move(content), this);
    items_.push_back(attachment);
    PutDispatch(result, attachment);
    if (onAdded) onAdded();
    return S_OK;
}

MailItem::MailItem(bool unread, bool sent)
    : StandInObject(L"MailItem", parcelon::IID_OutlookMailItem,
                    {{L"UnRead", kUnRead},
                     {L"Sent", kSent},
                     {L"Attachments", kAttachments},
                     {L"Subject", kSubject},
                     {L"To", kTo},
                     {L"Body", kBody},
                     {L"Application", kApplication},
                     {L"SendUsingAccount", kSendUsingAccount},
                     {L"Copy", kCopy},
                     {L"Display", kDisplay},
                     {L"Delete", kMailDelete}}),
      unread_(unread),
      sent_(sent),
      attachments_(new Attachments) {}

MailItem::~MailItem() {
    for (MailItem* copy : copies_) copy->Release();
    SetAccount(nullptr);
    SetApplication(nullptr);
    attachments_->Release();
}

void MailItem::SetApplication(IDispatch* application) {
    if (application) application->AddRef();
    if (application_) application_->Release();
    application_ = application;
}

void MailItem::SetAccount(Account* account) {
    if (account) account->AddRef();
    if (account_) account_->Release();
    account_ = account;
}

// A new unsent item with the recipients, subject, body, account and attachments.
HRESULT MailItem::Copy(VARIANT* result) {
    auto* copy = new MailItem(unread_, false);
    copy->subject = subject;
    copy->to = to;
    copy->body = body;
    copy->SetApplication(application_);
    copy->SetAccount(account_);
    copy->attachments_->maximumAttachmentSizeKb = attachments_->maximumAttachmentSizeKb;
    copy->attachments_->CopyFrom(*attachments_);
    copies_.push_back(copy);
    PutDispatch(result, copy);
    return S_OK;
}

HRESULT MailItem::InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
    if (flags & DISPATCH_METHOD) {
        if (id == kCopy) return Copy(result);
        if (id == kDisplay) {
            ++displayed;
            if (onDisplay) onDisplay();
            return S_OK;
        }
        if (id == kMailDelete) {
            deleted = true;
            if (onDelete) onDelete();
            return S_OK;
        }
    }
    if (flags & DISPATCH_PROPERTYPUT) {
        const VARIANT* value = Argument(params, 0);
        if (!value || value->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        std::wstring text = value->bstrVal ? value->bstrVal : L"";
        if (id == kSubject) subject = text;
        else if (id == kTo) to = text;
        else if (id == kBody) body = text;
        else return DISP_E_MEMBERNOTFOUND;
        return S_OK;
    }
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    switch (id) {
        case kUnRead: PutBool(result, unread_); return S_OK;
        case kSent: PutBool(result, sent_); return S_OK;
        case kAttachments: PutDispatch(result, attachments_); return S_OK;
        case kSubject: return PutString(result, subject);
        case kTo: return PutString(result, to);
        case kBody: return PutString(result, body);
        case kApplication: PutDispatch(result, application_); return S_OK;
        case kSendUsingAccount: PutDispatch(result, account_); return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace standin
