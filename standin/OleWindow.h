// IOleWindow of a stand-in window object: lives inside its owner and shares its count;
// the handle comes from the owner's real window.
#pragma once

#include <functional>
#include <oleidl.h>
#include <string>

namespace standin {

class OleWindow final : public IOleWindow {
public:
    // `name` qualifies the failure on demand: L"Inspector" gives "Inspector.GetWindow".
    OleWindow(IUnknown* owner, std::wstring name, std::function<HWND()> handle)
        : owner_(owner), name_(std::move(name)), handle_(std::move(handle)) {}
    OleWindow(const OleWindow&) = delete;
    OleWindow& operator=(const OleWindow&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return owner_->QueryInterface(iid, out); }
    STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    IUnknown* owner_;  // not counted: the owner holds this object
    std::wstring name_;
    std::function<HWND()> handle_;
};

}  // namespace standin
