// The class object, object lifetimes and the module lock of the real Parcelon.dll, the
// interface table of an OutlookAddin, and creation through COM by ProgID.
#include <gtest/gtest.h>
#include <ocidl.h>

#include "client/addin/AddinIds.h"
#include "client/addin/Extensibility.h"
#include "common/ComPtr.h"
#include "tests/server/ComTestSupport.h"

using namespace parcelon;
using namespace testing_support;

namespace {
// An outer object that counts the references its aggregated inner object hands it.
class Outer final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
};

class ClassObject : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll.loaded());
        ASSERT_EQ(S_OK, dll.CanUnloadNow());
        ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_OutlookAddin, IID_IClassFactory, factory.putVoid()));
    }
    void TearDown() override {
        factory.reset();
        EXPECT_EQ(S_OK, dll.CanUnloadNow());
    }
    ComPtr<IUnknown> Create(REFIID iid) {
        ComPtr<IUnknown> object;
        EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, iid, object.putVoid()));
        return object;
    }
    ServerDll dll;
    ComPtr<IClassFactory> factory;
};
}  // namespace

TEST_F(ClassObject, HeldClassObjectLocksTheModuleUntilReleased) {
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
    ComPtr<IUnknown> again;
    ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_OutlookAddin, IID_IUnknown, again.putVoid()));
    EXPECT_EQ(factory.get(), again.query<IUnknown>(IID_IClassFactory).get());  // cached: one class object
    factory.reset();
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
    again.reset();
    EXPECT_EQ(S_OK, dll.CanUnloadNow());
}

TEST_F(ClassObject, LockServerHoldsTheModuleUntilTheMatchingUnlock) {
    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    ASSERT_EQ(S_OK, factory->LockServer(TRUE));
    factory.reset();
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
    ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_OutlookAddin, IID_IClassFactory, factory.putVoid()));
    factory->LockServer(FALSE);
    factory.reset();
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
    ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_OutlookAddin, IID_IClassFactory, factory.putVoid()));
    factory->LockServer(FALSE);
}

TEST_F(ClassObject, LiveObjectLocksTheModule) {
    ComPtr<IUnknown> object = Create(IID_IUnknown);
    ASSERT_TRUE(object);
    factory.reset();
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
    ComPtr<IUnknown> second = object;
    object.reset();
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
    second.reset();
    EXPECT_EQ(S_OK, dll.CanUnloadNow());
}

TEST_F(ClassObject, BadRequestsFailWithoutLeavingAnything) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, dll.GetClassObject(IID_IOutlookAddin, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, dll.GetClassObject(CLSID_OutlookAddin, IID_IClassFactory, nullptr));
    EXPECT_EQ(E_NOINTERFACE, dll.GetClassObject(CLSID_OutlookAddin, IID_IDispatch, &out));
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);

    Outer outer;
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(1u, outer.refs);
    factory.reset();
    EXPECT_EQ(S_OK, dll.CanUnloadNow());  // no object was left behind
}

TEST_F(ClassObject, AggregatedObjectCountsOnTheOuterAndLocksTheModule) {
    Outer outer;
    IUnknown* inner = nullptr;
    ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
    ASSERT_NE(nullptr, inner);
    EXPECT_EQ(1u, outer.refs);

    IDTExtensibility2* extensibility = nullptr;
    ASSERT_EQ(S_OK, inner->QueryInterface(IID_IDTExtensibility2, reinterpret_cast<void**>(&extensibility)));
    EXPECT_EQ(2u, outer.refs);  // the inner object's interfaces count on the outer unknown
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, extensibility->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);  // asked of the outer unknown first
    identity->Release();
    // The outer unknown does not answer it, so the inner object's table does.
    ComPtr<IUnknown> support;
    EXPECT_EQ(S_OK, extensibility->QueryInterface(IID_ISupportErrorInfo, support.putVoid()));
    support.reset();
    extensibility->Release();
    EXPECT_EQ(1u, outer.refs);

    factory.reset();
    EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
    EXPECT_EQ(0u, inner->Release());
    EXPECT_EQ(S_OK, dll.CanUnloadNow());
}

TEST_F(ClassObject, InterfaceTableOfTheAddin) {
    ComPtr<IUnknown> object = Create(IID_IUnknown);
    ASSERT_TRUE(object);
    ComPtr<IUnknown> addin = object.query<IUnknown>(IID_IOutlookAddin);
    ComPtr<IUnknown> dispatch = object.query<IUnknown>(IID_IDispatch);
    ComPtr<IUnknown> extensibility = object.query<IUnknown>(IID_IDTExtensibility2);
    ComPtr<IUnknown> support = object.query<IUnknown>(IID_ISupportErrorInfo);
    ASSERT_TRUE(addin && dispatch && extensibility && support);
    EXPECT_EQ(addin.get(), object.get());    // the first row is the object's identity
    EXPECT_EQ(addin.get(), dispatch.get());  // IDispatch is IOutlookAddin's
    EXPECT_NE(addin.get(), extensibility.get());
    for (IUnknown* each : {addin.get(), extensibility.get(), support.get()})
        EXPECT_EQ(object.get(), ComPtr<IUnknown>(each).query<IUnknown>(IID_IUnknown).get());
    for (const IID* absent : {&IID_IClassFactory, &IID_IConnectionPointContainer, &IID_IPersist}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(*absent, &out));
        EXPECT_EQ(nullptr, out);
    }

    auto* errorInfo = static_cast<ISupportErrorInfo*>(support.get());
    EXPECT_EQ(S_OK, errorInfo->InterfaceSupportsErrorInfo(IID_IOutlookAddin));
    EXPECT_EQ(S_FALSE, errorInfo->InterfaceSupportsErrorInfo(IID_IDTExtensibility2));
    EXPECT_EQ(S_FALSE, errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch));
}

TEST_F(ClassObject, CreatedThroughComByProgIdOnceRegistered) {
    factory.reset();
    ASSERT_EQ(S_OK, dll.Register());
    for (const wchar_t* progId : {kProgId, kVersionIndependentProgId}) {
        CLSID found = {};
        ASSERT_EQ(S_OK, CLSIDFromProgID(progId, &found));
        EXPECT_EQ(CLSID_OutlookAddin, found);
        ComPtr<IUnknown> object;
        ASSERT_EQ(S_OK, CoCreateInstance(found, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                                         object.putVoid()));
        EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
        SAFEARRAY* custom = nullptr;
        EXPECT_EQ(E_NOTIMPL, static_cast<IDTExtensibility2*>(object.get())->OnStartupComplete(&custom));
        EXPECT_EQ(E_NOTIMPL, static_cast<IDTExtensibility2*>(object.get())->OnAddInsUpdate(&custom));
        EXPECT_EQ(S_OK, static_cast<IDTExtensibility2*>(object.get())->OnBeginShutdown(&custom));  // lets go of the host
    }
    EXPECT_EQ(S_OK, dll.Unregister());
    CLSID none = {};
    EXPECT_NE(S_OK, CLSIDFromProgID(kProgId, &none));
}
