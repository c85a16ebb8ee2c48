// The stand-in's sending side: the account a message goes out through, the stores that
// deliver it with their MAPI properties, and the Session that names the default store.
#pragma once

#include <map>
#include <string>

#include "StandInObject.h"

namespace standin {

// Outlook's OlAccountType values the tests play.
enum AccountType : long { olExchange = 0, olImap = 1, olPop3 = 2 };

// Store.PropertyAccessor and Attachment.PropertyAccessor: GetProperty by its schema name; a property the store lacks is
// refused as Outlook refuses it.
class PropertyAccessor : public StandInObject {
public:
    PropertyAccessor();
    // By schema name, for example "http://schemas.microsoft.com/mapi/proptag/0x666D0003".
    std::map<std::wstring, long> properties;
    // String properties, such as an attachment's PR_ATTACH_CONTENT_ID.
    std::map<std::wstring, std::wstring> texts;

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;
};

class Store : public StandInObject {
public:
    Store();
    ~Store() override;
    PropertyAccessor& accessor() { return *accessor_; }
    // PR_MAX_SUBMIT_MESSAGE_SIZE in KB (-1: the server names none); accessor().properties
    // can also go without it.
    void SetMaxSubmitKb(long kb);

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    PropertyAccessor* accessor_;
};

class Account : public StandInObject {
public:
    explicit Account(long type = olExchange);
    ~Account() override;
    long type;
    // The store that delivers its mail; none answers Nothing, as an IMAP account can.
    void SetDeliveryStore(Store* store);

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    Store* deliveryStore_ = nullptr;
};

// Application.Session (a NameSpace).
class Session : public StandInObject {
public:
    Session();
    ~Session() override;
    Store& defaultStore() { return *defaultStore_; }

protected:
    HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) override;

private:
    Store* defaultStore_;
};

}  // namespace standin
