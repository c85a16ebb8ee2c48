// The stand-in's mail item, its Attachments collection and the attachments themselves.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "AccountObjects.h"
#include "StandInObject.h"

namespace standin {

// What one Attachments.Add received, for tests that check the arguments.
struct AddCall {
    std::wstring source;
    VARTYPE typeVt = VT_EMPTY;
    long type = 0;
    bool positionOmitted = false;
    bool displayNameOmitted = false;
};

class Attachments;

class Attachment : public StandInObject {
public:
    Attachment(std::wstring fileName, std::vector<char> content, Attachments* owner);
    ~Attachment() override;
    const std::wstring& fileName() const { return fileName_; }
    const std::vector<char>& content() const { return content_; }
    // Attachment.Type: 1 by value (a file, or a picture of the body), 5 an embedded item.
    long type = 1;
    // A picture of the body carries its content id here; a file carries none.
    PropertyAccessor& accessor() { return *accessor_; }

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    friend class Attachments;
    HRESULT SaveAsFile(const DISPPARAMS* params);
    std::wstring fileName_;
    std::vector<char> content_;
    Attachments* owner_;  // not counted; cleared when the collection lets it go
    PropertyAccessor* accessor_;
};

class Attachments : public StandInObject {
public:
    Attachments();
    ~Attachments() override;
    const std::vector<Attachment*>& items() const { return items_; }
    const std::vector<AddCall>& addCalls() const { return addCalls_; }
    // Called after each attachment is added (tests act there, between two host calls).
    std::function<void()> onAdded;
    // Called after each Attachment.SaveAsFile.
    std::function<void()> onSaved;
    // Outlook's MaximumAttachmentSize in KB (0: none): an Add that would take the
    // attachments together past it is refused with Outlook's message.
    unsigned long maximumAttachmentSizeKb = 0;
    unsigned long long totalBytes() const;
    // Takes a copy of every attachment of `other`, as MailItem.Copy does.
    void CopyFrom(const Attachments& other);
    // Attachment.Delete: takes it off the message.
    void Remove(Attachment* attachment);

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    HRESULT Add(const DISPPARAMS* params, VARIANT* result);

    std::vector<Attachment*> items_;  // each holds one reference
    std::vector<AddCall> addCalls_;
};

class MailItem : public StandInObject {
public:
    MailItem(bool unread = true, bool sent = false);
    ~MailItem() override;
    MailItem(const MailItem&) = delete;
    MailItem& operator=(const MailItem&) = delete;
    Attachments& attachments() { return *attachments_; }
    std::wstring subject = L"Files from Parcelon";
    std::wstring to;
    std::wstring body = L"Sent with Parcelon.";
    int displayed = 0;  // calls of Display
    bool deleted = false;  // by MailItem.Delete
    std::function<void()> onDisplay;  // after each Display
    std::function<void()> onDelete;
    // MailItem.Application; none answers Nothing.
    void SetApplication(IDispatch* application);
    // MailItem.SendUsingAccount; none answers Nothing, as a message with no account set does.
    void SetAccount(Account* account);
    // The items MailItem.Copy made of this one, in order, each held by a reference.
    const std::vector<MailItem*>& copies() const { return copies_; }

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    HRESULT Copy(VARIANT* result);

    bool unread_;
    bool sent_;
    Attachments* attachments_;
    IDispatch* application_ = nullptr;
    Account* account_ = nullptr;
    std::vector<MailItem*> copies_;
};

}  // namespace standin
