// A host automation object reached only through IDispatch: names resolved with
// GetIDsOfNames, calls made with Invoke. Every failing call raises _com_error carrying
// the error information the object gave.
#pragma once

#include <comdef.h>
#include <initializer_list>
#include <string>

#include "common/ComPtr.h"
#include "common/Variant.h"

namespace parcelon {

class HostObject {
public:
    HostObject() = default;
    // Queries `object` for `iid`; raises _com_error when it does not answer it.
    HostObject(IUnknown* object, const IID& iid);

    // Wraps the object a property or method returned; empty when it returned none.
    static HostObject FromVariant(const Variant& value, const IID& iid);
    // The object as `iid`, or empty when it is none or does not answer `iid`.
    static HostObject Query(IUnknown* object, const IID& iid);
    static HostObject Query(const Variant& value, const IID& iid);

    explicit operator bool() const { return static_cast<bool>(dispatch_); }
    IDispatch* dispatch() const { return dispatch_.get(); }
    const IID& iid() const { return iid_; }
    // Lets go of the object without releasing it: when the process ends, the host's
    // objects may already be gone and no call may be made into them.
    void Abandon() noexcept { dispatch_.detach(); }

    Variant Get(const wchar_t* name) const;
    Variant GetIndexed(const wchar_t* name, const Variant& index) const;
    void Put(const wchar_t* name, const Variant& value) const;
    // Arguments in declaration order.
    Variant Call(const wchar_t* name, std::initializer_list<Variant> args = {}) const;
    // A method without arguments whose success code matters (S_OK or S_FALSE).
    HRESULT CallForCode(const wchar_t* name) const;

    HostObject GetObject(const wchar_t* name, const IID& iid) const;
    bool GetBool(const wchar_t* name) const;  // 16-bit boolean, -1 true
    long GetLong(const wchar_t* name) const;
    std::wstring GetString(const wchar_t* name) const;

private:
    DISPID Resolve(const wchar_t* name) const;
    Variant Invoke(const wchar_t* name, WORD flags, const Variant* args, size_t count,
                   HRESULT* succeeded = nullptr) const;
    [[noreturn]] void Fail(HRESULT hr, EXCEPINFO* exception) const;

    ComPtr<IDispatch> dispatch_;
    IID iid_ = IID_NULL;
};

// Raises a _com_error for `hr`, with the thread's error information when `object`
// supports error information for `iid`.
[[noreturn]] void RaiseHostError(HRESULT hr, IUnknown* object, const IID& iid);

}  // namespace parcelon
