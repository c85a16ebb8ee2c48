// A host automation object reached only through IDispatch.
#include "HostObject.h"

#include <vector>

namespace parcelon {

void RaiseHostError(HRESULT hr, IUnknown* object, const IID& iid) {
    IErrorInfo* info = nullptr;
    if (object) {
        ComPtr<ISupportErrorInfo> support;
        if (SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, support.putVoid())) && support &&
            support->InterfaceSupportsErrorInfo(iid) == S_OK) {
            if (GetErrorInfo(0, &info) != S_OK) info = nullptr;
        }
    }
    throw _com_error(hr, info, false);  // takes over the reference GetErrorInfo gave
}

namespace {
// A proxy for an object of another process answers only the interfaces whose marshaler is
// registered there, which a host's own interfaces need not be: its IDispatch then serves
// for them, since every call goes by name.
HRESULT QueryDispatch(IUnknown* object, const IID& iid, ComPtr<IDispatch>& answered) {
    HRESULT hr = object->QueryInterface(iid, answered.putVoid());
    if (SUCCEEDED(hr) && answered) return S_OK;
    ComPtr<IUnknown> proxy;
    if (FAILED(object->QueryInterface(IID_IMultiQI, proxy.putVoid())) || !proxy) return FAILED(hr) ? hr : E_NOINTERFACE;
    hr = object->QueryInterface(IID_IDispatch, answered.putVoid());
    return SUCCEEDED(hr) && answered ? S_OK : (FAILED(hr) ? hr : E_NOINTERFACE);
}
}  // namespace

HostObject::HostObject(IUnknown* object, const IID& iid) : iid_(iid) {
    if (!object) throw _com_error(E_POINTER);
    HRESULT hr = QueryDispatch(object, iid, dispatch_);
    if (FAILED(hr)) throw _com_error(hr);
}

HostObject HostObject::FromVariant(const Variant& value, const IID& iid) {
    const VARIANT& v = *value;
    IUnknown* object = nullptr;
    if (v.vt == VT_DISPATCH)
        object = v.pdispVal;
    else if (v.vt == VT_UNKNOWN)
        object = v.punkVal;
    else if (v.vt != VT_EMPTY && v.vt != VT_NULL)
        throw _com_error(DISP_E_TYPEMISMATCH);
    return object ? HostObject(object, iid) : HostObject();
}

HostObject HostObject::Query(IUnknown* object, const IID& iid) {
    HostObject answered;
    if (!object || FAILED(QueryDispatch(object, iid, answered.dispatch_))) return HostObject();
    answered.iid_ = iid;
    return answered;
}

HostObject HostObject::Query(const Variant& value, const IID& iid) {
    const VARIANT& v = *value;
    if (v.vt == VT_DISPATCH) return Query(v.pdispVal, iid);
    if (v.vt == VT_UNKNOWN) return Query(v.punkVal, iid);
    return HostObject();
}

DISPID HostObject::Resolve(const wchar_t* name) const {
    if (!dispatch_) throw _com_error(E_POINTER);
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) Fail(hr, nullptr);
    return id;
}

Variant HostObject::Invoke(const wchar_t* name, WORD flags, const Variant* args, size_t count,
                           HRESULT* succeeded) const {
    DISPID id = Resolve(name);
    // Invoke takes the arguments last first.
    std::vector<VARIANT> reversed;
    reversed.reserve(count);
    for (size_t i = count; i > 0; --i) reversed.push_back(*args[i - 1].get());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(count), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    Variant result;
    EXCEPINFO exception = {};
    UINT badArgument = 0;
    HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                   flags == DISPATCH_PROPERTYPUT ? nullptr : result.put(), &exception,
                                   &badArgument);
    if (FAILED(hr)) Fail(hr, &exception);
    if (succeeded) *succeeded = hr;
    return result;
}

void HostObject::Fail(HRESULT hr, EXCEPINFO* exception) const {
    if (hr != DISP_E_EXCEPTION || !exception) RaiseHostError(hr, dispatch_.get(), iid_);

    // The object reported its failure through EXCEPINFO: carry that as error information.
    if (exception->pfnDeferredFillIn) exception->pfnDeferredFillIn(exception);
    HRESULT code = exception->scode ? exception->scode
                                    : _com_error::WCodeToHRESULT(exception->wCode);
    ComPtr<ICreateErrorInfo> create;
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(CreateErrorInfo(create.put()))) {
        create->SetGUID(iid_);
        if (exception->bstrSource) create->SetSource(exception->bstrSource);
        if (exception->bstrDescription) create->SetDescription(exception->bstrDescription);
        if (exception->bstrHelpFile) create->SetHelpFile(exception->bstrHelpFile);
        create->SetHelpContext(exception->dwHelpContext);
        create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    }
    SysFreeString(exception->bstrSource);
    SysFreeString(exception->bstrDescription);
    SysFreeString(exception->bstrHelpFile);
    throw _com_error(code, info, false);
}

Variant HostObject::Get(const wchar_t* name) const {
    return Invoke(name, DISPATCH_PROPERTYGET, nullptr, 0);
}

Variant HostObject::GetIndexed(const wchar_t* name, const Variant& index) const {
    return Invoke(name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &index, 1);
}

void HostObject::Put(const wchar_t* name, const Variant& value) const {
    Invoke(name, DISPATCH_PROPERTYPUT, &value, 1);
}

Variant HostObject::Call(const wchar_t* name, std::initializer_list<Variant> args) const {
    return Invoke(name, DISPATCH_METHOD, args.begin(), args.size());
}

HRESULT HostObject::CallForCode(const wchar_t* name) const {
    HRESULT code = S_OK;
    Invoke(name, DISPATCH_METHOD, nullptr, 0, &code);
    return code;
}

HostObject HostObject::GetObject(const wchar_t* name, const IID& iid) const {
    return FromVariant(Get(name), iid);
}

namespace {
Variant Coerced(const Variant& value, VARTYPE type) {
    Variant out;
    HRESULT hr = VariantChangeType(out.get(), const_cast<VARIANT*>(value.get()), 0, type);
    if (FAILED(hr)) throw _com_error(hr);
    return out;
}
}  // namespace

bool HostObject::GetBool(const wchar_t* name) const {
    return Coerced(Get(name), VT_BOOL).get()->boolVal != VARIANT_FALSE;
}

long HostObject::GetLong(const wchar_t* name) const { return Coerced(Get(name), VT_I4).get()->lVal; }

std::wstring HostObject::GetString(const wchar_t* name) const {
    Variant text = Coerced(Get(name), VT_BSTR);
    BSTR s = text.get()->bstrVal;
    return s ? std::wstring(s, SysStringLen(s)) : std::wstring();
}

}  // namespace parcelon
