// Base of every object of the Outlook stand-in.
#include "StandInObject.h"

#include <cstdio>
#include <map>

namespace standin {

namespace {
std::map<std::wstring, Failure>& Failures() {
    static std::map<std::wstring, Failure> failures;
    return failures;
}
long liveObjects = 0;
long invokeCalls = 0;
bool hostEnded = false;

// A call into an object whose host has ended: on a real host, a call into freed memory.
// Said at once, since the process is ending and no summary would be printed.
void NoteLateCall(const wchar_t* interfaceName, const char* member) {
    if (!hostEnded) return;
    fprintf(stderr, "stand-in: %ls.%s called after the host ended\n", interfaceName, member);
    fflush(stderr);
}

// Whether the next call of the member fails, counting the call.
const Failure* TakeFailure(const std::wstring& name) {
    auto found = Failures().find(name);
    if (found == Failures().end()) return nullptr;
    Failure& f = found->second;
    if (f.skip > 0) {
        --f.skip;
        return nullptr;
    }
    if (f.times == 0) return nullptr;
    if (f.times > 0) --f.times;
    return &f;
}
}  // namespace

void FailMember(const std::wstring& qualifiedName, Failure failure) { Failures()[qualifiedName] = failure; }
void ClearFailures() { Failures().clear(); }
long LiveObjects() { return liveObjects; }
void EndHost() { hostEnded = true; }
long InvokeCalls() { return invokeCalls; }

HRESULT TakeFailureResult(const std::wstring& qualifiedName) {
    const Failure* f = TakeFailure(qualifiedName);
    return f ? f->hr : S_OK;
}

const VARIANT* Argument(const DISPPARAMS* params, UINT index) {
    if (!params || index >= params->cArgs) return nullptr;
    return &params->rgvarg[params->cArgs - 1 - index];
}

bool IsOmitted(const VARIANT* argument) {
    return !argument || (argument->vt == VT_ERROR && argument->scode == DISP_E_PARAMNOTFOUND);
}

StandInObject::StandInObject(const wchar_t* interfaceName, const IID& iid, std::vector<Member> members)
    : interfaceName_(interfaceName), iid_(iid), members_(std::move(members)) {
    InterlockedIncrement(&liveObjects);
}

StandInObject::~StandInObject() { InterlockedDecrement(&liveObjects); }

STDMETHODIMP StandInObject::QueryInterface(REFIID iid, void** out) {
    NoteLateCall(interfaceName_, "QueryInterface");
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == iid_)
        *out = static_cast<IDispatch*>(this);
    else if (iid == IID_ISupportErrorInfo)
        *out = static_cast<ISupportErrorInfo*>(this);
    else
        *out = QueryExtra(iid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) StandInObject::AddRef() {
    NoteLateCall(interfaceName_, "AddRef");
    return InterlockedIncrement(&refs_);
}

STDMETHODIMP_(ULONG) StandInObject::Release() {
    NoteLateCall(interfaceName_, "Release");
    ULONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP StandInObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP StandInObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP StandInObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (const Member& m : members_)
            if (i == 0 && _wcsicmp(m.name, names[0]) == 0) ids[0] = m.id;
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

const wchar_t* StandInObject::MemberName(DISPID id) const {
    for (const Member& m : members_)
        if (m.id == id) return m.name;
    return nullptr;
}

HRESULT StandInObject::RaiseFailure(HRESULT hr, const std::wstring& source, const std::wstring& description,
                                    EXCEPINFO* exception) {
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetGUID(iid_);
        create->SetSource(const_cast<LPOLESTR>(source.c_str()));
        create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    if (!exception) return hr;
    *exception = EXCEPINFO{};
    exception->scode = hr;
    exception->bstrSource = SysAllocString(source.c_str());
    exception->bstrDescription = SysAllocString(description.c_str());
    return DISP_E_EXCEPTION;
}

STDMETHODIMP StandInObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* badArgument) {
    if (badArgument) *badArgument = 0;
    NoteLateCall(interfaceName_, "Invoke");
    ++invokeCalls;
    const wchar_t* name = MemberName(id);
    if (!name) return DISP_E_MEMBERNOTFOUND;
    std::wstring qualified = std::wstring(interfaceName_) + L"." + name;
    if (const Failure* f = TakeFailure(qualified)) return RaiseFailure(f->hr, f->source, f->description, exception);

    VARIANT ignored;
    VariantInit(&ignored);
    description_.clear();
    HRESULT hr = InvokeMember(id, flags, params, result ? result : &ignored);
    VariantClear(&ignored);
    if (FAILED(hr) && hr != DISP_E_MEMBERNOTFOUND && hr != DISP_E_BADPARAMCOUNT && hr != DISP_E_TYPEMISMATCH)
        return RaiseFailure(hr, L"Microsoft Outlook", description_, exception);
    return hr;
}

STDMETHODIMP StandInObject::InterfaceSupportsErrorInfo(REFIID iid) { return iid == iid_ ? S_OK : S_FALSE; }

}  // namespace standin
