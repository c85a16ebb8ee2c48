// The add-in as the host meets it: created by ProgID from the registered Parcelon.dll,
// IDTExtensibility2 served through IDispatch from the Add-In Designer library (a
// stand-in of our own here), connected to the stand-in and released without a trace.
#include <gtest/gtest.h>

#include "client/addin/AddinIds.h"
#include "client/addin/Extensibility.h"
#include "client/addin/HostInterfaces.h"
#include "common/ComPtr.h"
#include "common/Variant.h"
#include "standin/ApplicationObjects.h"
#include "tests/server/ComTestSupport.h"

using namespace parcelon;
using namespace testing_support;

namespace {
HRESULT IdsOf(IDispatch* object, std::vector<const wchar_t*> names, std::vector<DISPID>& ids) {
    ids.assign(names.size(), 12345);
    return object->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(names.data()), static_cast<UINT>(names.size()),
                                 LOCALE_USER_DEFAULT, ids.data());
}

// A call through IDispatch as a script host makes it: arguments in declaration order.
HRESULT InvokeMethod(IDispatch* object, DISPID id, std::vector<VARIANT> args, EXCEPINFO* exception) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    Variant result;
    UINT badArgument = 0;
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(), exception,
                          &badArgument);
}

// The stand-in Add-In Designer library, registered for the length of a scope.
class DesignerLibrary {
public:
    DesignerLibrary() {
        path_ = BesideProgram(L"AddinDesigner.tlb");
        registered_ = SUCCEEDED(LoadTypeLibEx(path_.c_str(), REGKIND_REGISTER, library_.put()));
    }
    ~DesignerLibrary() {
        UnRegisterTypeLib(LIBID_AddinDesigner, 1, 0, 0, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    }
    bool registered() const { return registered_; }
    DISPID MemberId(const wchar_t* name) {
        ComPtr<ITypeInfo> info;
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        if (SUCCEEDED(library_->GetTypeInfoOfGuid(IID_IDTExtensibility2, info.put())))
            info->GetIDsOfNames(names, 1, &id);
        return id;
    }

private:
    std::wstring path_;
    ComPtr<ITypeLib> library_;
    bool registered_ = false;
};
}  // namespace

TEST(AddinThroughDll, ConnectsThroughIDispatchOnceTheDesignerLibraryIsThereAndLeavesNothing) {
    ServerDll dll;
    ASSERT_TRUE(dll.loaded());
    ASSERT_EQ(S_OK, dll.Register());
    UnRegisterTypeLib(LIBID_AddinDesigner, 1, 0, 0, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    auto* app = new standin::Application;
    app->version = L"10.0.2627";
    {
        CLSID classId = {};
        ASSERT_EQ(S_OK, CLSIDFromProgID(kProgId, &classId));
        ComPtr<IDTExtensibility2> connection;
        ASSERT_EQ(S_OK, CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                                         connection.putVoid()));
        IDispatch* dispatch = connection.get();  // IDTExtensibility2's own IDispatch

        // This machine has no Add-In Designer library: each call gives the load failure.
        ComPtr<ITypeLib> missing;
        HRESULT notRegistered = LoadRegTypeLib(LIBID_AddinDesigner, 1, 0, LOCALE_USER_DEFAULT, missing.put());
        ASSERT_TRUE(FAILED(notRegistered));
        ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
        EXPECT_EQ(notRegistered, dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
        EXPECT_EQ(nullptr, info);
        std::vector<DISPID> ids;
        EXPECT_EQ(notRegistered, IdsOf(dispatch, {L"OnConnection"}, ids));
        EXPECT_EQ(notRegistered, InvokeMethod(dispatch, 1, {}, nullptr));

        DesignerLibrary designer;
        ASSERT_TRUE(designer.registered());
        const DISPID onConnection = designer.MemberId(L"OnConnection");
        ASSERT_NE(DISPID_UNKNOWN, onConnection);
        ASSERT_EQ(S_OK, IdsOf(dispatch, {L"OnConnection"}, ids));
        EXPECT_EQ(onConnection, ids[0]);
        // Another letter case misses the cache and is resolved by the type information.
        ASSERT_EQ(S_OK, IdsOf(dispatch, {L"onCONNECTION"}, ids));
        EXPECT_EQ(onConnection, ids[0]);
        // Parameter names are not in the cache: the whole list goes to the type information.
        ASSERT_EQ(S_OK, IdsOf(dispatch, {L"OnConnection", L"AddInInst", L"Application"}, ids));
        EXPECT_EQ((std::vector<DISPID>{onConnection, 2, 0}), ids);
        EXPECT_EQ(DISP_E_UNKNOWNNAME, IdsOf(dispatch, {L"OnConnection", L"NoSuchMember"}, ids));
        EXPECT_EQ(DISP_E_UNKNOWNNAME, IdsOf(dispatch, {L"OnConnect"}, ids));
        EXPECT_EQ(DISPID_UNKNOWN, ids[0]);

        // OnConnection through IDispatch reaches the object's own method.
        SAFEARRAY* custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
        VARIANT customArg;
        customArg.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
        customArg.pparray = &custom;
        EXCEPINFO exception = {};
        EXPECT_EQ(S_OK, InvokeMethod(dispatch, onConnection,
                                     {*Variant::Dispatch(app->dispatch()).get(), *Variant::Long(0).get(),
                                      *Variant::Dispatch(nullptr).get(), customArg},
                                     &exception));
        EXPECT_EQ(1u, app->explorers().connections());
        EXPECT_EQ(1u, app->inspectors().connections());
        EXPECT_EQ(1u, app->connections());  // ItemSend
        auto* window = new standin::Window(L"Inspector", IID_OutlookInspector, L"Message");
        EXPECT_EQ(S_OK, app->inspectors().FireNewInspector(window->dispatch()));
        EXPECT_EQ(S_OK, app->explorers().FireNewExplorer(window->dispatch()));
        window->Release();

        // What the method answers comes back as the call's failure.
        HRESULT startup = InvokeMethod(dispatch, designer.MemberId(L"OnStartupComplete"), {customArg}, &exception);
        EXPECT_TRUE(startup == E_NOTIMPL || (startup == DISP_E_EXCEPTION && exception.scode == E_NOTIMPL))
            << std::hex << startup;
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);

        EXPECT_EQ(S_OK, connection->OnDisconnection(0, &custom));
        EXPECT_EQ(0u, app->explorers().connections());
        EXPECT_EQ(0u, app->inspectors().connections());
        EXPECT_EQ(0u, app->connections());
        SafeArrayDestroy(custom);
        EXPECT_EQ(S_FALSE, dll.CanUnloadNow());
    }
    EXPECT_EQ(S_OK, dll.CanUnloadNow());
    app->Release();
    EXPECT_EQ(0, standin::LiveObjects());
    EXPECT_EQ(S_OK, dll.Unregister());
}
