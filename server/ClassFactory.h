// The class object of a COM class: creates instances and counts the module as locked
// while anyone besides the class table holds it.
#pragma once

#include <unknwn.h>

namespace parcelon {

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

class ClassFactory final : public IClassFactory {
public:
    // The class table row takes the first reference.
    explicit ClassFactory(InstanceCreator creator) : creator_(creator) {}

    // The row's class-object creator: a factory bound to `Creator`.
    template <InstanceCreator Creator>
    static HRESULT Create(REFIID iid, void** out) {
        return CreateFor(Creator, iid, out);
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    static HRESULT CreateFor(InstanceCreator creator, REFIID iid, void** out);

    LONG refs_ = 1;
    InstanceCreator creator_;
};

}  // namespace parcelon
