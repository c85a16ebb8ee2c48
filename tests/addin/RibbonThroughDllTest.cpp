// The ribbon of the compose window as the host meets it: the registered Parcelon.dll asked
// for IRibbonExtensibility, its markup read with MSXML, its callbacks found by name and
// called with a ribbon control the way the host calls them.
#include <gtest/gtest.h>

#include <msxml2.h>
#include <olectl.h>

#include "DialogWatcher.h"
#include "RegisteredDllSuite.h"
#include "client/addin/AddinIds.h"
#include "client/addin/Extensibility.h"
#include "client/addin/RibbonInterfaces.h"
#include "common/ComPtr.h"
#include "standin/ApplicationObjects.h"
#include "standin/MailObjects.h"
#include "standin/RibbonControl.h"
#include "standin/WindowObjects.h"
#include "tests/server/ComTestSupport.h"
#include "tests/support/DebugOutputCapture.h"

using namespace parcelon;
using namespace testing_support;

namespace {
// {88D96A05-F192-11D4-A65F-0040963251E5}
constexpr CLSID kDomDocument60 = {0x88D96A05, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
// {2933BF95-7B36-11D2-B20E-00C04F983E60}
constexpr IID kXmlDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

std::wstring CustomUI(IRibbonExtensibility* ribbon, const wchar_t* ribbonId) {
    BSTR id = SysAllocString(ribbonId);
    BSTR markup = nullptr;
    EXPECT_EQ(S_OK, ribbon->GetCustomUI(id, &markup));
    SysFreeString(id);
    std::wstring text = markup ? std::wstring(markup, SysStringLen(markup)) : L"(null)";
    SysFreeString(markup);
    return text;
}

// The markup parsed by MSXML, read with XPath in the customUI namespace as prefix "c".
class Markup {
public:
    explicit Markup(const std::wstring& text) {
        if (FAILED(CoCreateInstance(kDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kXmlDocument2, doc_.putVoid())))
            return;
        BSTR source = SysAllocString(text.c_str());
        VARIANT_BOOL loaded = VARIANT_FALSE;
        doc_->loadXML(source, &loaded);
        SysFreeString(source);
        wellFormed_ = loaded == VARIANT_TRUE;
        SetProperty(L"SelectionLanguage", L"XPath");
        SetProperty(L"SelectionNamespaces", L"xmlns:c='http://schemas.microsoft.com/office/2009/07/customui'");
    }
    bool parserAvailable() const { return static_cast<bool>(doc_); }
    bool wellFormed() const { return wellFormed_; }
    // The text of the first node `path` selects, or "(none)".
    std::wstring Text(const wchar_t* path) {
        BSTR query = SysAllocString(path);
        ComPtr<IXMLDOMNode> node;
        doc_->selectSingleNode(query, node.put());
        SysFreeString(query);
        if (!node) return L"(none)";
        BSTR text = nullptr;
        node->get_text(&text);
        std::wstring result = text ? std::wstring(text, SysStringLen(text)) : L"";
        SysFreeString(text);
        return result;
    }
    long Count(const wchar_t* path) {
        BSTR query = SysAllocString(path);
        ComPtr<IXMLDOMNodeList> nodes;
        doc_->selectNodes(query, nodes.put());
        SysFreeString(query);
        long length = -1;
        if (nodes) nodes->get_length(&length);
        return length;
    }

private:
    void SetProperty(const wchar_t* name, const wchar_t* value) {
        BSTR propertyName = SysAllocString(name);
        VARIANT v;
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(value);
        EXPECT_EQ(S_OK, doc_->setProperty(propertyName, v));
        VariantClear(&v);
        SysFreeString(propertyName);
    }

    ComPtr<IXMLDOMDocument2> doc_;
    bool wellFormed_ = false;
};

// Calls a member of `object` by name with one object argument, as the host calls ribbon callbacks.
HRESULT CallByName(IDispatch* object, const wchar_t* name, IDispatch* argument, VARIANT* result) {
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    VARIANT arg;
    arg.vt = VT_DISPATCH;
    arg.pdispVal = argument;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

class Ribbon : public RegisteredDllSuite {
protected:
    void SetUp() override {
        app = new standin::Application;
        CLSID classId = {};
        ASSERT_EQ(S_OK, CLSIDFromProgID(kProgId, &classId));
        ASSERT_EQ(S_OK, CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                                         connection.putVoid()));
        ASSERT_EQ(S_OK, connection->QueryInterface(IID_IRibbonExtensibility, ribbon.putVoid()));
        ASSERT_EQ(S_OK, connection->QueryInterface(IID_IDispatch, callbacks.putVoid()));
    }
    void TearDown() override {
        standin::ClearFailures();
        if (connection) connection->OnDisconnection(0, nullptr);
        callbacks.reset();
        ribbon.reset();
        connection.reset();
        for (IDispatch* object : held) object->Release();
        app->Release();
    }
    IDispatch* Keep(standin::StandInObject* object) {
        held.push_back(object->dispatch());
        return object->dispatch();
    }
    standin::Inspector* OpenMessage() {
        app->version = L"16.0.0.0";
        EXPECT_EQ(S_OK, connection->OnConnection(app->dispatch(), 0, nullptr, nullptr));
        auto* window = new standin::Inspector(Keep(new standin::MailItem(true, false)));
        Keep(window);
        app->inspectors().FireNewInspector(window->dispatch());
        window->FireActivate();
        return window;
    }
    // The button's click as the host makes it, for a control in `context`.
    HRESULT ClickInside(IDispatch* context) {
        IDispatch* control = Keep(new standin::RibbonControl(L"ParcelonButton", L"Tag for Parcelon button", context));
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = CallByName(callbacks.get(), L"OnRibbonButton", control, &result);
        VariantClear(&result);
        Sleep(50);
        return hr;
    }

    standin::Application* app = nullptr;
    ComPtr<IDTExtensibility2> connection;
    ComPtr<IRibbonExtensibility> ribbon;
    ComPtr<IDispatch> callbacks;
    std::vector<IDispatch*> held;
};
}  // namespace

TEST_F(Ribbon, OnlyTheComposeRibbonGetsMarkupAndItPlacesOneLargeButtonAfterInclude) {
    for (const wchar_t* other : {L"Microsoft.Outlook.Explorer", L"Microsoft.Outlook.Mail.Read",
                                 L"Microsoft.Outlook.Appointment", L"Microsoft.Outlook.Contact", L""}) {
        EXPECT_EQ(L"", CustomUI(ribbon.get(), other)) << other;
    }
    std::wstring text = CustomUI(ribbon.get(), L"Microsoft.Outlook.Mail.Compose");
    Markup markup(text);
    ASSERT_TRUE(markup.parserAvailable());
    ASSERT_TRUE(markup.wellFormed()) << text;
    EXPECT_EQ(1, markup.Count(L"/c:customUI/c:ribbon/c:tabs/c:tab"));
    EXPECT_EQ(1, markup.Count(L"//c:group"));
    EXPECT_EQ(1, markup.Count(L"//c:button"));
    const wchar_t* group = L"/c:customUI/c:ribbon/c:tabs/c:tab[@idMso='TabNewMailMessage']/c:group";
    EXPECT_EQ(L"Parcelon", markup.Text((std::wstring(group) + L"/@label").c_str()));
    EXPECT_EQ(L"GroupInclude", markup.Text((std::wstring(group) + L"/@insertAfterMso").c_str()));
    std::wstring button = std::wstring(group) + L"/c:button";
    auto attribute = [&](const wchar_t* name) { return markup.Text((button + L"/@" + name).c_str()); };
    EXPECT_EQ(L"ParcelonButton", attribute(L"id"));
    EXPECT_EQ(L"Parcelon", attribute(L"label"));
    EXPECT_EQ(L"large", attribute(L"size"));
    EXPECT_EQ(L"Parcelon", attribute(L"screentip"));
    EXPECT_EQ(L"Attach files and whole folders, packed into one zip archive", attribute(L"supertip"));
    EXPECT_EQ(L"(none)", attribute(L"imageMso"));

    // The callbacks it names are the add-in's, by name, as the host finds them.
    for (const wchar_t* callback : {L"onAction", L"getImage"}) {
        std::wstring name = attribute(callback);
        auto* names = const_cast<LPOLESTR>(name.c_str());
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(S_OK, callbacks->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id)) << name;
    }
}

TEST_F(Ribbon, GetCustomUIAnswersByNameAndRefusesMissingArguments) {
    ComPtr<IDispatch> byName;
    ASSERT_EQ(S_OK, ribbon->QueryInterface(IID_IRibbonExtensibility, byName.putVoid()));
    auto* names = const_cast<LPOLESTR>(L"GetCustomUI");
    DISPID id = DISPID_UNKNOWN;
    ASSERT_EQ(S_OK, byName->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id));
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(L"Microsoft.Outlook.Mail.Compose");
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, byName->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr));
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(CustomUI(ribbon.get(), L"Microsoft.Outlook.Mail.Compose"), result.bstrVal);
    VariantClear(&result);
    VariantClear(&arg);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, byName->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr));
    names = const_cast<LPOLESTR>(L"GetCustomUIs");
    EXPECT_EQ(DISP_E_UNKNOWNNAME, byName->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(E_POINTER, ribbon->GetCustomUI(nullptr, nullptr));
}

TEST_F(Ribbon, PictureCallbackGivesTheLargeParcelFace) {
    IDispatch* control = Keep(new standin::RibbonControl(L"ParcelonButton", L"", nullptr));
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, CallByName(callbacks.get(), L"GetRibbonImage", control, &result));
    ASSERT_EQ(VT_DISPATCH, result.vt);
    ComPtr<IPicture> picture;
    ASSERT_EQ(S_OK, result.pdispVal->QueryInterface(IID_IPicture, picture.putVoid()));
    VariantClear(&result);
    SHORT type = 0;
    picture->get_Type(&type);
    EXPECT_EQ(PICTYPE_BITMAP, type);
    OLE_HANDLE handle = 0;
    ASSERT_EQ(S_OK, picture->get_Handle(&handle));
    auto bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info = {};
    ASSERT_EQ(static_cast<int>(sizeof info), GetObjectW(bitmap, sizeof info, &info));
    EXPECT_EQ(32, info.bmWidth);
    EXPECT_EQ(32, info.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(RGB(196, 140, 72), GetPixel(dc, 8, 24));   // the parcel
    EXPECT_EQ(RGB(200, 30, 40), GetPixel(dc, 15, 18));   // its string
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(dc, 0, 0));   // around it
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST_F(Ribbon, ClickOpensTheDialogOverTheControlsWindowAndOnlyForMail) {
    standin::Inspector* window = OpenMessage();
    {
        DialogWatcher watcher;
        EXPECT_EQ(S_OK, ClickInside(window->dispatch()));
        EXPECT_TRUE(watcher.seen());
        EXPECT_EQ(window->frame().Handle(), watcher.owner());
    }
    DebugOutputCapture capture;
    ASSERT_TRUE(capture.ready());
    {
        // A control of the main window, of nothing, or a window showing a contact: no dialog, no report.
        DialogWatcher watcher;
        EXPECT_EQ(S_OK, ClickInside(app->dispatch()));
        EXPECT_EQ(S_OK, ClickInside(nullptr));
        window->SetCurrentItem(Keep(new standin::OtherItem(standin::OtherItem::Contact)));
        EXPECT_EQ(S_OK, ClickInside(window->dispatch()));
        EXPECT_FALSE(watcher.seen());
        EXPECT_EQ(S_OK, CallByName(callbacks.get(), L"OnRibbonButton", nullptr, nullptr));
        EXPECT_TRUE(capture.Take(1, 300).empty());
    }
    {
        // A failing host call is reported to the debugger output and goes no further.
        standin::FailMember(L"Inspector.CurrentItem", standin::Failing(E_FAIL, L"The item cannot be opened"));
        DialogWatcher watcher;
        EXPECT_EQ(S_OK, ClickInside(window->dispatch()));
        EXPECT_FALSE(watcher.seen());
        std::string report = Joined(capture.Take(1));
        EXPECT_NE(std::string::npos, report.find("The item cannot be opened")) << report;
    }
}
