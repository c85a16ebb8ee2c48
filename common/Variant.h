// Owner of one VARIANT (cleared on destruction) and makers of the argument kinds host calls pass.
#pragma once

#include <comdef.h>
#include <oleauto.h>
#include <string>
#include <utility>

namespace parcelon {

class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    Variant(const Variant& other) : Variant() { VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)); }
    Variant(Variant&& other) noexcept : Variant() { std::swap(v_, other.v_); }
    Variant& operator=(Variant other) noexcept {
        std::swap(v_, other.v_);
        return *this;
    }
    ~Variant() { VariantClear(&v_); }

    static Variant Long(LONG value) noexcept {
        Variant r;
        r.v_.vt = VT_I4;
        r.v_.lVal = value;
        return r;
    }
    static Variant Bool(bool value) noexcept {
        Variant r;
        r.v_.vt = VT_BOOL;
        r.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return r;
    }
    // Raises _com_error(E_OUTOFMEMORY) when the string cannot be allocated.
    static Variant String(const std::wstring& value);
    static Variant Dispatch(IDispatch* value) noexcept {
        Variant r;
        r.v_.vt = VT_DISPATCH;
        r.v_.pdispVal = value;
        if (value) value->AddRef();
        return r;
    }
    // An omitted optional argument, the automation way.
    static Variant Omitted() noexcept {
        Variant r;
        r.v_.vt = VT_ERROR;
        r.v_.scode = DISP_E_PARAMNOTFOUND;
        return r;
    }

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    const VARIANT& operator*() const noexcept { return v_; }
    VARIANT* put() noexcept {
        VariantClear(&v_);
        return &v_;
    }
    VARTYPE type() const noexcept { return v_.vt; }

private:
    VARIANT v_;
};

inline Variant Variant::String(const std::wstring& value) {
    Variant r;
    BSTR s = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    if (!s) throw _com_error(E_OUTOFMEMORY);
    r.v_.vt = VT_BSTR;
    r.v_.bstrVal = s;
    return r;
}

}  // namespace parcelon
