// The IUnknown of a COM class, plain or as part of an aggregate, and its instance
// creator. The class itself derives from ComObjectRoot and gives its interface table.
#pragma once

#include <new>
#include <unknwn.h>

#include "InterfaceTable.h"
#include "ServerModule.h"

namespace parcelon {

// Every live object holds one module lock.
class ComObjectRoot {
protected:
    ComObjectRoot() { serverModule.Lock(); }
    ~ComObjectRoot() { serverModule.Unlock(); }
    ComObjectRoot(const ComObjectRoot&) = delete;
    ComObjectRoot& operator=(const ComObjectRoot&) = delete;

public:
    HRESULT FinalConstruct() { return S_OK; }
};

// A stand-alone object. The count is plain: the object lives in one apartment.
template <class T>
class ComObject final : public T {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        return InternalQueryInterface(static_cast<T*>(this), T::InterfaceTable(), iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG refs = --refs_;
        if (refs == 0) {
            refs_ = 1;  // releases made while the members go cannot start a second destruction
            delete this;
        }
        return refs;
    }
    // Raises the count around the final construction without destroying at the end.
    HRESULT Construct() {
        ++refs_;
        HRESULT hr = T::FinalConstruct();
        --refs_;
        return hr;
    }

private:
    ULONG refs_ = 0;
};

// The object inside an aggregate: counting goes to the outer unknown.
template <class T>
class ContainedObject final : public T {
public:
    explicit ContainedObject(IUnknown* outer) : outer_(outer) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        HRESULT hr = outer_->QueryInterface(iid, out);
        if (FAILED(hr) && outer_ != IdentityOf(static_cast<T*>(this), T::InterfaceTable()))
            hr = InnerQueryInterface(iid, out);
        return hr;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }
    HRESULT InnerQueryInterface(REFIID iid, void** out) {
        return InternalQueryInterface(static_cast<T*>(this), T::InterfaceTable(), iid, out);
    }

private:
    IUnknown* outer_;  // not counted: the outer object owns the aggregate
};

// The aggregate's own IUnknown, which the outer object holds.
template <class T>
class AggregateObject final : public IUnknown {
public:
    explicit AggregateObject(IUnknown* outer) : contained_(outer) { serverModule.Lock(); }
    ~AggregateObject() { serverModule.Unlock(); }
    AggregateObject(const AggregateObject&) = delete;
    AggregateObject& operator=(const AggregateObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown) return contained_.InnerQueryInterface(iid, out);
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG refs = --refs_;
        if (refs == 0) {
            refs_ = 1;
            delete this;
        }
        return refs;
    }
    HRESULT Construct() {
        ++refs_;
        HRESULT hr = contained_.FinalConstruct();
        --refs_;
        return hr;
    }

private:
    ULONG refs_ = 0;
    ContainedObject<T> contained_;
};

// The instance creator of the class table: plain or aggregated creation.
template <class T>
HRESULT CreateComInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    try {
        auto create = [&](auto* object) -> HRESULT {
            if (!object) return E_OUTOFMEMORY;
            HRESULT hr = object->Construct();
            if (SUCCEEDED(hr)) hr = object->QueryInterface(iid, out);
            if (FAILED(hr)) delete object;
            return hr;
        };
        if (!outer) return create(new (std::nothrow) ComObject<T>());
        return create(new (std::nothrow) AggregateObject<T>(outer));
    } catch (...) {
        return E_OUTOFMEMORY;  // a member could not get its memory
    }
}

}  // namespace parcelon
