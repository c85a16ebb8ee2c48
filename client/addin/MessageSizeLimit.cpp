// How large a message may be on its way out.
#include "MessageSizeLimit.h"

#include <algorithm>
#include <windows.h>

#include "DetectVersion.h"
#include "common/ComErrorReport.h"
#include "common/Policy.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

namespace parcelon {

namespace {
constexpr long olExchange = 0;
constexpr DWORD kLargestSendLimitMB = 1048576;  // 1 TB: beyond any mail system's

void Note(const std::string& text) { OutputDebugStringA(("Parcelon: " + text + "\n").c_str()); }

void NoteFailure(const char* what, const _com_error& error) {
    ReportComError(error);
    Note(std::string(what) + " could not be read; falling back");
}

HostObject ObjectOrNone(const HostObject& from, const wchar_t* name, const IID& iid) {
    try {
        return from ? from.GetObject(name, iid) : HostObject();
    } catch (const _com_error& error) {
        NoteFailure(Utf8FromWide(name).c_str(), error);
        return HostObject();
    }
}

// The server's limit in KB from the store that sends the message; none when the store or
// the property is missing, or the property holds -1 or 0.
uint64_t ServerLimitBytes(const HostObject& account, const HostObject& application) {
    HostObject store = ObjectOrNone(account, L"DeliveryStore", IID_OutlookStore);
    if (!store) {
        HostObject session = ObjectOrNone(application, L"Session", IID_OutlookNameSpace);
        store = ObjectOrNone(session, L"DefaultStore", IID_OutlookStore);
    }
    HostObject accessor = ObjectOrNone(store, L"PropertyAccessor", IID_OutlookPropertyAccessor);
    if (!accessor) return MessageSizeLimit::kNone;
    try {
        Variant value = accessor.Call(L"GetProperty", {Variant::String(kMaxSubmitMessageSizeProperty)});
        Variant kb;
        HRESULT converted = VariantChangeType(kb.get(), const_cast<VARIANT*>(value.get()), 0, VT_I4);
        if (FAILED(converted)) throw _com_error(converted);
        long limit = kb.get()->lVal;
        return limit > 0 ? static_cast<uint64_t>(limit) * 1024 : MessageSizeLimit::kNone;
    } catch (const _com_error& error) {
        NoteFailure("PR_MAX_SUBMIT_MESSAGE_SIZE", error);
        return MessageSizeLimit::kNone;
    }
}

// Accounts other than Exchange (and one whose type cannot be read) get Outlook's own.
bool IsExchange(const HostObject& account) {
    if (!account) return false;
    try {
        return account.GetLong(L"AccountType") == olExchange;
    } catch (const _com_error& error) {
        NoteFailure("Account.AccountType", error);
        return false;
    }
}

std::string OfficeVersion(const HostObject& application) {
    try {
        if (application) {
            int major = MajorVersionOf(Utf8FromWide(application.GetString(L"Version")));
            if (major > 0) return std::to_string(major) + ".0";
        }
    } catch (const _com_error& error) {
        NoteFailure("Application.Version", error);
    }
    return std::string();
}

uint64_t ExistingAttachmentBytes(const MailItem& mail) {
    uint64_t total = 0;
    try {
        Attachments attachments = mail.GetAttachments();
        long count = attachments.GetLong(L"Count");
        for (long i = 1; i <= count; ++i) {
            HostObject attachment =
                HostObject::FromVariant(attachments.GetIndexed(L"Item", Variant::Long(i)), IID_OutlookAttachment);
            long size = attachment ? attachment.GetLong(L"Size") : 0;
            if (size > 0) total += static_cast<uint64_t>(size);
        }
    } catch (const _com_error& error) {
        NoteFailure("the sizes of the message's attachments", error);
    }
    return total;
}

// The DWORD value, when the key and the value are there.
bool ReadDword(const std::wstring& keyPath, const wchar_t* name, DWORD& value) {
    UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = sizeof value;
    LONG code = RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (code == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value) return true;
    if (code != ERROR_FILE_NOT_FOUND)
        Note("MaximumAttachmentSize under HKCU\\" + Utf8FromWide(keyPath) + " is not a DWORD; falling back");
    return false;
}
}  // namespace

uint64_t TransferSize(uint64_t bytes) {
    uint64_t encoded = (bytes + 2) / 3 * 4;
    return encoded + (encoded + 75) / 76 * 2;
}

uint64_t MessageSizeLimit::LargestArchive() const {
    uint64_t largest = kNone;
    if (attachmentBytes != kNone)
        largest = attachmentBytes > existingAttachmentBytes ? attachmentBytes - existingAttachmentBytes : 0;
    if (serverBytes != kNone) {
        uint64_t existing = TransferSize(existingAttachmentBytes);
        uint64_t room = serverBytes > existing ? serverBytes - existing : 0;
        // The largest size whose transfer form fits the room: 57 bytes become 78.
        uint64_t fits = room / 78 * 57 + (room % 78 > 2 ? (room % 78 - 2) / 4 * 3 : 0);
        while (fits > 0 && TransferSize(fits) > room) --fits;
        largest = std::min(largest, fits);
    }
    return largest;
}

uint64_t MessageSizeLimit::TighterLimit() const {
    if (serverBytes == kNone) return attachmentBytes;
    if (attachmentBytes == kNone) return serverBytes;
    // The server's counts the grown form: compare what each lets through.
    MessageSizeLimit serverOnly = *this, outlookOnly = *this;
    serverOnly.attachmentBytes = kNone;
    outlookOnly.serverBytes = kNone;
    return serverOnly.LargestArchive() < outlookOnly.LargestArchive() ? serverBytes : attachmentBytes;
}

unsigned long OutlookAttachmentLimitKb(const std::string& officeVersion) {
    const wchar_t* name = L"MaximumAttachmentSize";
    std::wstring version = WideFromUtf8(officeVersion);
    DWORD kb = 0;
    if (!version.empty() &&
        (ReadDword(L"Software\\Policies\\Microsoft\\Office\\" + version + L"\\Outlook\\Preferences", name, kb) ||
         ReadDword(L"Software\\Microsoft\\Office\\" + version + L"\\Outlook\\Preferences", name, kb)))
        return kb;
    return kOutlookDefaultAttachmentKb;
}

MessageSizeLimit ReadMessageSizeLimit(const MailItem& mail) {
    MessageSizeLimit limit;
    HostObject account = ObjectOrNone(mail, L"SendUsingAccount", IID_OutlookAccount);
    HostObject application = ObjectOrNone(mail, L"Application", IID_OutlookApplication);
    limit.serverBytes = ServerLimitBytes(account, application);
    // The administrator's limit stands in for a server's that cannot be read (POP, IMAP) and
    // tightens one that can.
    if (std::optional<DWORD> mb = ReadPolicyInRange(L"SendLimitMB", 1, kLargestSendLimitMB))
        limit.serverBytes = std::min(limit.serverBytes, static_cast<uint64_t>(*mb) << 20);
    if (!IsExchange(account)) {
        unsigned long kb = OutlookAttachmentLimitKb(OfficeVersion(application));
        if (kb != 0) limit.attachmentBytes = static_cast<uint64_t>(kb) * 1024;
    }
    limit.existingAttachmentBytes = ExistingAttachmentBytes(mail);
    return limit;
}

}  // namespace parcelon
