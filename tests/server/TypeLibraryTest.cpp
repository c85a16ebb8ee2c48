// The type library in Parcelon.dll and the IDispatch of IOutlookAddin served from it:
// failing while the library is not registered, working once it is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/addin/AddinIds.h"
#include "common/ComPtr.h"
#include "common/UniqueResource.h"
#include "tests/server/ComTestSupport.h"

using namespace parcelon;
using namespace testing_support;

namespace {
std::wstring HelpString(ITypeInfo* info) {
    UniqueBstr help;
    info->GetDocumentation(MEMBERID_NIL, nullptr, help.put(), nullptr, nullptr);
    return help ? help.get() : L"";
}
}  // namespace

TEST(TypeLibrary, DescribesTheLibraryTheClassAndItsDualInterface) {
    ServerDll dll;
    ASSERT_TRUE(dll.loaded());
    ComPtr<ITypeLib> library;
    ASSERT_EQ(S_OK, LoadTypeLibEx(dll.path().c_str(), REGKIND_NONE, library.put()));
    UniqueBstr name, help;
    ASSERT_EQ(S_OK, library->GetDocumentation(-1, name.put(), help.put(), nullptr, nullptr));
    EXPECT_STREQ(L"PARCELONLib", name.get());
    EXPECT_STREQ(L"Parcelon 1.0 Type Library", help.get());
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&attributes));
    EXPECT_EQ(LIBID_PARCELONLib, attributes->guid);
    EXPECT_EQ(1, attributes->wMajorVerNum);
    EXPECT_EQ(0, attributes->wMinorVerNum);
    library->ReleaseTLibAttr(attributes);

    ComPtr<ITypeInfo> coclass, addin;
    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(CLSID_OutlookAddin, coclass.put()));
    EXPECT_EQ(L"OutlookAddin Class", HelpString(coclass.get()));
    TYPEATTR* type = nullptr;
    ASSERT_EQ(S_OK, coclass->GetTypeAttr(&type));
    EXPECT_EQ(TKIND_COCLASS, type->typekind);
    EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FCANCREATE);
    coclass->ReleaseTypeAttr(type);
    HREFTYPE reference = 0;
    ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &reference));
    ComPtr<ITypeInfo> implemented;
    ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(reference, implemented.put()));
    ASSERT_EQ(S_OK, implemented->GetTypeAttr(&type));
    EXPECT_EQ(IID_IOutlookAddin, type->guid);
    implemented->ReleaseTypeAttr(type);

    ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IOutlookAddin, addin.put()));
    EXPECT_EQ(L"IOutlookAddin Interface", HelpString(addin.get()));
    ASSERT_EQ(S_OK, addin->GetTypeAttr(&type));
    EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FDUAL);
    addin->ReleaseTypeAttr(type);
    // The interface half of the dual interface: automation-compatible, IDispatch's seven slots
    // and the two ribbon callbacks after them.
    ComPtr<ITypeInfo> vtable;
    ASSERT_EQ(S_OK, addin->GetRefTypeOfImplType(-1, &reference));
    ASSERT_EQ(S_OK, addin->GetRefTypeInfo(reference, vtable.put()));
    ASSERT_EQ(S_OK, vtable->GetTypeAttr(&type));
    EXPECT_EQ(TKIND_INTERFACE, type->typekind);
    EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    EXPECT_EQ(2, type->cFuncs);
    EXPECT_EQ(9 * sizeof(void*), type->cbSizeVft);
    std::vector<std::wstring> callbacks;
    for (UINT i = 0; i < type->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        ASSERT_EQ(S_OK, vtable->GetFuncDesc(i, &function));
        BSTR name = nullptr;
        if (SUCCEEDED(vtable->GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr)) && name)
            callbacks.emplace_back(name);
        SysFreeString(name);
        vtable->ReleaseFuncDesc(function);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"OnRibbonButton", L"GetRibbonImage"}), callbacks);
    vtable->ReleaseTypeAttr(type);
}

TEST(TypeLibrary, DispatchServesTheLibraryInsideTheDllWhenItIsNotRegistered) {
    ServerDll dll;
    ASSERT_TRUE(dll.loaded());
    dll.Unregister();
    // The premise: the registered library cannot be loaded (a damaged install, or another
    // bitness's install over it).
    ComPtr<ITypeLib> missing;
    ASSERT_TRUE(FAILED(LoadRegTypeLib(LIBID_PARCELONLib, 1, 0, LOCALE_USER_DEFAULT, missing.put())));
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, dll.GetClassObject(CLSID_OutlookAddin, IID_IClassFactory, factory.putVoid()));
    ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IOutlookAddin, object.putVoid()));

    UINT count = 0;
    EXPECT_EQ(S_OK, object->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    EXPECT_EQ(E_POINTER, object->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr));
    ITypeInfo* info = nullptr;
    ASSERT_EQ(S_OK, object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
    ComPtr<ITypeInfo> held = ComPtr<ITypeInfo>::Attach(info);
    TYPEATTR* type = nullptr;
    ASSERT_EQ(S_OK, held->GetTypeAttr(&type));
    EXPECT_EQ(IID_IOutlookAddin, type->guid);
    held->ReleaseTypeAttr(type);

    // The ribbon's callbacks are found by name, and unknown names and members still fail.
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"OnRibbonButton")};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_NE(DISPID_UNKNOWN, id);
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, object->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
    DISPPARAMS none = {};
    EXPECT_TRUE(FAILED(
        object->Invoke(12345, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr)));
    // Nothing of the kind was registered on the way.
    EXPECT_TRUE(FAILED(LoadRegTypeLib(LIBID_PARCELONLib, 1, 0, LOCALE_USER_DEFAULT, missing.put())));
}
