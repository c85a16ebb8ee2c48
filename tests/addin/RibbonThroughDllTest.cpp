// The ribbon of the compose window as the host meets it: the registered Parcelon.dll asked
// for IRibbonExtensibility, its markup read with MSXML, its callbacks found by name and
// called with a ribbon control the way the host calls them.
#include <gtest/gtest.h>

#include <olectl.h>
#include <vector>

#include "DialogWatcher.h"
#include "RegisteredDllSuite.h"
#include "client/addin/AddinIds.h"
#include "client/addin/Extensibility.h"
#include "client/addin/RibbonInterfaces.h"
#include "common/ComPtr.h"
#include "standin/ApplicationObjects.h"
#include "standin/MailObjects.h"
#include "standin/RibbonControl.h"
#include "standin/RibbonMarkup.h"
#include "standin/WindowObjects.h"
#include "standin/XmlDocument.h"
#include "tests/server/ComTestSupport.h"
#include "tests/support/DebugOutputCapture.h"

using namespace parcelon;
using namespace testing_support;

namespace {
std::wstring CustomUI(IRibbonExtensibility* ribbon, const wchar_t* ribbonId) {
    BSTR id = SysAllocString(ribbonId);
    BSTR markup = nullptr;
    EXPECT_EQ(S_OK, ribbon->GetCustomUI(id, &markup));
    SysFreeString(id);
    std::wstring text = markup ? std::wstring(markup, SysStringLen(markup)) : L"(null)";
    SysFreeString(markup);
    return text;
}

class Ribbon;
// What the host saw while it shut down with the dialog open.
struct Shutdown {
    Ribbon* fixture = nullptr;
    bool dialogOpen = false;
    HRESULT unloadableWhileOpen = E_FAIL;
};
Shutdown shutdown;

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
        HRESULT hr = standin::CallRibbonCallback(callbacks.get(), L"OnRibbonButton", control, &result);
        VariantClear(&result);
        Sleep(50);
        return hr;
    }

    // Run on this thread inside the dialog's own message loop, as a host's message is: the
    // host shuts down and lets the add-in go while the dialog is on screen.
    static void CALLBACK ShutDownMeanwhile(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        shutdown.dialogOpen = FindDialogOfThisThread() != nullptr;
        shutdown.unloadableWhileOpen = dll->CanUnloadNow();
        shutdown.fixture->connection->OnBeginShutdown(nullptr);
        shutdown.fixture->connection->OnDisconnection(0, nullptr);
        shutdown.fixture->callbacks.reset();
        shutdown.fixture->ribbon.reset();
        shutdown.fixture->connection.reset();
    }
    static BOOL CALLBACK MatchDialog(HWND window, LPARAM out) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    static HWND FindDialogOfThisThread() {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&found));
        return found;
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
    standin::XmlDocument markup;
    ASSERT_TRUE(markup.available());
    ASSERT_TRUE(markup.Load(text)) << text;
    ASSERT_TRUE(markup.UseNamespaces(L"xmlns:c='http://schemas.microsoft.com/office/2009/07/customui'"));
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

TEST_F(Ribbon, Outlook2007GetsTheMarkupInTheOnlyNamespaceItReads) {
    std::wstring current = CustomUI(ribbon.get(), L"Microsoft.Outlook.Mail.Compose");
    EXPECT_EQ(L"", standin::ReadRibbonTab(current, L"TabNewMailMessage", 16).problem);
    EXPECT_NE(L"", standin::ReadRibbonTab(current, L"TabNewMailMessage", 12).problem);

    app->version = L"12.0.6423.1000";
    ASSERT_EQ(S_OK, connection->OnConnection(app->dispatch(), 0, nullptr, nullptr));
    standin::RibbonTabMarkup tab =
        standin::ReadRibbonTab(CustomUI(ribbon.get(), L"Microsoft.Outlook.Mail.Compose"), L"TabNewMailMessage", 12);
    ASSERT_EQ(L"", tab.problem);
    ASSERT_EQ(1u, tab.groups.size());
    EXPECT_EQ(L"GroupInclude", tab.groups[0].insertAfterMso);
    ASSERT_EQ(1u, tab.groups[0].buttons.size());
    const standin::RibbonButtonMarkup& button = tab.groups[0].buttons[0];
    EXPECT_EQ(L"ParcelonButton", button.id);
    EXPECT_EQ(L"OnRibbonButton", button.onAction);
    EXPECT_EQ(L"GetRibbonImage", button.getImage);
    EXPECT_EQ(L"Attach files and whole folders, packed into one zip archive", button.supertip);
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

TEST_F(Ribbon, PictureCallbackGivesTheLargeParcelFaceWithTransparentCorners) {
    IDispatch* control = Keep(new standin::RibbonControl(L"ParcelonButton", L"", nullptr));
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, standin::CallRibbonCallback(callbacks.get(), L"GetRibbonImage", control, &result));
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
    // 32 bits with alpha: the parcel opaque, the corners transparent over the ribbon.
    ASSERT_EQ(32, info.bmBitsPixel);
    ASSERT_NE(nullptr, info.bmBits);
    auto pixel = [&](int x, int y) {
        const auto* p = static_cast<const BYTE*>(info.bmBits) + (info.bmHeight - 1 - y) * info.bmWidthBytes + x * 4;
        return std::vector<int>{p[2], p[1], p[0], p[3]};
    };
    EXPECT_EQ((std::vector<int>{196, 140, 72, 255}), pixel(8, 24));  // the parcel
    EXPECT_EQ((std::vector<int>{200, 30, 40, 255}), pixel(15, 18));  // its string
    for (POINT corner : {POINT{0, 0}, POINT{31, 0}, POINT{0, 31}, POINT{31, 31}})
        EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), pixel(corner.x, corner.y));
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
        EXPECT_EQ(S_OK, standin::CallRibbonCallback(callbacks.get(), L"OnRibbonButton", nullptr, nullptr));
        EXPECT_TRUE(capture.Take(1, 300).empty());
    }
    // A failing host call, of the window or of the control, is reported to the debugger
    // output and goes no further.
    window->SetCurrentItem(Keep(new standin::MailItem(true, false)));
    for (const wchar_t* member : {L"Inspector.CurrentItem", L"IRibbonControl.Context"}) {
        standin::ClearFailures();
        standin::FailMember(member, standin::Failing(E_FAIL, L"The item cannot be opened"));
        DialogWatcher watcher;
        EXPECT_EQ(S_OK, ClickInside(window->dispatch()));
        EXPECT_FALSE(watcher.seen()) << member;
        std::string report = Joined(capture.Take(1));
        EXPECT_NE(std::string::npos, report.find("The item cannot be opened")) << member << ": " << report;
    }
}

TEST_F(Ribbon, HostShuttingDownWhileTheDialogIsOpenEndsItAndKeepsTheModuleUntilThen) {
    standin::Inspector* window = OpenMessage();
    shutdown = Shutdown{this};
    SetTimer(nullptr, 0, 300, &Ribbon::ShutDownMeanwhile);
    // The click returns only once the dialog has ended.
    IDispatch* control = Keep(new standin::RibbonControl(L"ParcelonButton", L"", window->dispatch()));
    ComPtr<IDispatch> heldByClick = callbacks;  // the host's own reference for the call
    callbacks.reset();
    EXPECT_EQ(S_OK, standin::CallRibbonCallback(heldByClick.get(), L"OnRibbonButton", control, nullptr));
    EXPECT_TRUE(shutdown.dialogOpen);
    EXPECT_EQ(S_FALSE, shutdown.unloadableWhileOpen);
    EXPECT_FALSE(connection);
    heldByClick.reset();
    EXPECT_EQ(nullptr, FindDialogOfThisThread());
    EXPECT_EQ(S_OK, dll->CanUnloadNow());
}

TEST_F(Ribbon, MainWindowGetsTheGroupOnTheInlineReplysMessageTabFrom2013On) {
    app->version = L"14.0.7268.5000";
    ASSERT_EQ(S_OK, connection->OnConnection(app->dispatch(), 0, nullptr, nullptr));
    EXPECT_EQ(L"", CustomUI(ribbon.get(), L"Microsoft.Outlook.Explorer"));  // no inline replies yet
    ASSERT_EQ(S_OK, connection->OnDisconnection(0, nullptr));
    app->version = L"15.0.4420.1017";
    ASSERT_EQ(S_OK, connection->OnConnection(app->dispatch(), 0, nullptr, nullptr));
    standin::XmlDocument markup;
    ASSERT_TRUE(markup.Load(CustomUI(ribbon.get(), L"Microsoft.Outlook.Explorer")));
    ASSERT_TRUE(markup.UseNamespaces(L"xmlns:c='http://schemas.microsoft.com/office/2009/07/customui'"));
    std::wstring button =
        L"/c:customUI/c:ribbon/c:contextualTabs/c:tabSet[@idMso='TabComposeTools']/c:tab[@idMso='TabMessage']"
        L"/c:group[@label='Parcelon']/c:button";
    EXPECT_EQ(1, markup.Count(L"//c:button"));
    EXPECT_EQ(L"Parcelon", markup.Text((button + L"/@label").c_str()));
    EXPECT_EQ(L"OnRibbonButton", markup.Text((button + L"/@onAction").c_str()));
    EXPECT_EQ(L"GetRibbonImage", markup.Text((button + L"/@getImage").c_str()));
}

TEST_F(Ribbon, ClickOnTheMainWindowWorksOnItsInlineReplyOnly) {
    OpenMessage();
    standin::Explorer& explorer = app->activeExplorer();
    explorer.frame().Show();
    {
        DialogWatcher watcher;  // no reply being written: nothing happens
        EXPECT_EQ(S_OK, ClickInside(explorer.dispatch()));
        EXPECT_FALSE(watcher.seen());
    }
    explorer.SetInlineResponse(Keep(new standin::MailItem(true, false)));
    {
        DialogWatcher watcher;
        EXPECT_EQ(S_OK, ClickInside(explorer.dispatch()));
        EXPECT_TRUE(watcher.seen());
        EXPECT_EQ(explorer.frame().Handle(), watcher.owner());
    }
    explorer.SetInlineResponse(nullptr);
    explorer.frame().Destroy();
}

// A damaged install, or another bitness's install over it, leaves the type library
// unregistered: the ribbon still finds its callbacks, through the DLL's own copy.
class RibbonWithoutRegisteredLibrary : public Ribbon {
protected:
    void SetUp() override {
        std::wstring key = L"TypeLib\\" + GuidText(LIBID_PARCELONLib);
        DeleteTree(HKEY_CURRENT_USER, L"Software\\Classes\\" + key);
        DeleteTree(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + key);
        ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key));
        Ribbon::SetUp();
    }
};

TEST_F(RibbonWithoutRegisteredLibrary, PictureAndClickStillWork) {
    IDispatch* control = Keep(new standin::RibbonControl(L"ParcelonButton", L"", nullptr));
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, standin::CallRibbonCallback(callbacks.get(), L"GetRibbonImage", control, &result));
    EXPECT_EQ(VT_DISPATCH, result.vt);
    VariantClear(&result);
    standin::Inspector* window = OpenMessage();
    DialogWatcher watcher;
    EXPECT_EQ(S_OK, ClickInside(window->dispatch()));
    EXPECT_TRUE(watcher.seen());
}
