// The stand-in's accounts, stores, their property accessors and the Session.
#include "AccountObjects.h"

#include "ResultValues.h"
#include "client/addin/HostInterfaces.h"

namespace standin {

namespace {
enum : DISPID {
    kGetProperty = 0xFA25,
    kPropertyAccessor = 0xFAFD,
    kAccountType = 0xFA9E,
    kDeliveryStore = 0xFAA0,
    kDefaultStore = 0xFAD1,
};
// MAPI_E_NOT_FOUND, which Outlook gives for a property the object does not have.
constexpr HRESULT kPropertyNotFound = static_cast<HRESULT>(0x8004010F);

bool IsGet(WORD flags) { return (flags & DISPATCH_PROPERTYGET) != 0; }

void PutLong(VARIANT* out, long value) {
    out->vt = VT_I4;
    out->lVal = value;
}
}  // namespace

PropertyAccessor::PropertyAccessor()
    : StandInObject(L"PropertyAccessor", parcelon::IID_OutlookPropertyAccessor, {{L"GetProperty", kGetProperty}}) {}

HRESULT PropertyAccessor::InvokeMember(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
    if (id != kGetProperty || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    const VARIANT* name = Argument(params, 0);
    if (!name || name->vt != VT_BSTR || !name->bstrVal) return DISP_E_TYPEMISMATCH;
    auto text = texts.find(name->bstrVal);
    if (text != texts.end()) return PutString(result, text->second);
    auto found = properties.find(name->bstrVal);
    if (found == properties.end()) {
        Describe(L"The property \"" + std::wstring(name->bstrVal) + L"\" is unknown or cannot be found.");
        return kPropertyNotFound;
    }
    PutLong(result, found->second);
    return S_OK;
}

Store::Store()
    : StandInObject(L"Store", parcelon::IID_OutlookStore, {{L"PropertyAccessor", kPropertyAccessor}}),
      accessor_(new PropertyAccessor) {}

Store::~Store() { accessor_->Release(); }

void Store::SetMaxSubmitKb(long kb) { accessor_->properties[parcelon::kMaxSubmitMessageSizeProperty] = kb; }

HRESULT Store::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (id != kPropertyAccessor || !IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    PutDispatch(result, accessor_);
    return S_OK;
}

Account::Account(long accountType)
    : StandInObject(L"Account", parcelon::IID_OutlookAccount,
                    {{L"AccountType", kAccountType}, {L"DeliveryStore", kDeliveryStore}}),
      type(accountType) {}

Account::~Account() {
    if (deliveryStore_) deliveryStore_->Release();
}

void Account::SetDeliveryStore(Store* store) {
    if (store) store->AddRef();
    if (deliveryStore_) deliveryStore_->Release();
    deliveryStore_ = store;
}

HRESULT Account::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (!IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    switch (id) {
        case kAccountType: PutLong(result, type); return S_OK;
        case kDeliveryStore: PutDispatch(result, deliveryStore_); return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

Session::Session()
    : StandInObject(L"Session", parcelon::IID_OutlookNameSpace, {{L"DefaultStore", kDefaultStore}}),
      defaultStore_(new Store) {}

Session::~Session() { defaultStore_->Release(); }

HRESULT Session::InvokeMember(DISPID id, WORD flags, const DISPPARAMS*, VARIANT* result) {
    if (id != kDefaultStore || !IsGet(flags)) return DISP_E_MEMBERNOTFOUND;
    PutDispatch(result, defaultStore_);
    return S_OK;
}

}  // namespace standin
