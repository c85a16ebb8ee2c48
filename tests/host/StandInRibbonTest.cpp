// The stand-in's ribbon as the host tests rely on it: markup read with MSXML the way the
// version it plays reads it, groups placed among the built-in ones, a click reaching the
// callback the markup names with a control of the window.
#include <gtest/gtest.h>

#include <algorithm>

#include "client/addin/RibbonInterfaces.h"
#include "standin/AddinRibbons.h"
#include "standin/MailObjects.h"
#include "standin/RibbonMarkup.h"
#include "standin/RibbonStrip.h"
#include "standin/WindowObjects.h"

namespace {

// MSXML and the stand-in's objects live in one apartment for the whole program.
class ComApartment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
    void TearDown() override { CoUninitialize(); }
};
::testing::Environment* const kApartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

std::wstring Markup(const std::wstring& ns, const std::wstring& tabs) {
    return L"<customUI xmlns='" + ns + L"'><ribbon><tabs>" + tabs + L"</tabs></ribbon></customUI>";
}

const std::wstring kTwoTabs =
    L"<tab idMso='TabReadMessage'><group id='r' label='Read'><button id='x' label='X'/></group></tab>"
    L"<tab idMso='TabNewMailMessage'>"
    L"<group id='g1' label='First' insertAfterMso='GroupInclude'>"
    L"<button id='b1' tag='t1' label='One' onAction='Act' getImage='Picture'/>"
    L"<button id='b2' label='Two'/></group>"
    L"<group id='g2' label='Second'/></tab>";

TEST(StandInRibbonMarkup, OnlyTheAskedTabIsReadInTheNamespacesOfTheVersion) {
    standin::RibbonTabMarkup tab =
        standin::ReadRibbonTab(Markup(parcelon::kCustomUINamespace2009, kTwoTabs), L"TabNewMailMessage", 16);
    ASSERT_EQ(L"", tab.problem);
    ASSERT_EQ(2u, tab.groups.size());
    EXPECT_EQ(L"First", tab.groups[0].label);
    EXPECT_EQ(L"GroupInclude", tab.groups[0].insertAfterMso);
    ASSERT_EQ(2u, tab.groups[0].buttons.size());
    EXPECT_EQ(L"t1", tab.groups[0].buttons[0].tag);
    EXPECT_EQ(L"Act", tab.groups[0].buttons[0].onAction);
    EXPECT_EQ(L"", tab.groups[0].buttons[1].onAction);
    EXPECT_TRUE(tab.groups[1].buttons.empty());

    // Outlook 2007 reads only the first namespace; 2010 and later read both.
    EXPECT_NE(L"", standin::ReadRibbonTab(Markup(parcelon::kCustomUINamespace2009, kTwoTabs), L"TabNewMailMessage", 12).problem);
    EXPECT_EQ(2u, standin::ReadRibbonTab(Markup(parcelon::kCustomUINamespace2006, kTwoTabs), L"TabNewMailMessage", 12).groups.size());
    EXPECT_EQ(2u, standin::ReadRibbonTab(Markup(parcelon::kCustomUINamespace2006, kTwoTabs), L"TabNewMailMessage", 16).groups.size());
    EXPECT_NE(L"", standin::ReadRibbonTab(Markup(L"urn:other", kTwoTabs), L"TabNewMailMessage", 16).problem);
}

TEST(StandInRibbonMarkup, MarkupThatIsNotWellFormedIsRefusedWithTheParsersReason) {
    standin::RibbonTabMarkup tab = standin::ReadRibbonTab(
        L"<customUI xmlns='http://schemas.microsoft.com/office/2009/07/customui'><ribbon>", L"TabNewMailMessage", 16);
    EXPECT_TRUE(tab.groups.empty());
    EXPECT_EQ(0u, tab.problem.find(L"markup not read: ")) << tab.problem;
    EXPECT_GT(tab.problem.size(), wcslen(L"markup not read: "));
}

TEST(StandInRibbonStrip, AddedGroupsFollowTheirBuiltInGroupInTheOrderAdded) {
    standin::RibbonStrip strip;
    strip.AddGroup(L"First", L"GroupInclude");
    strip.AddGroup(L"Last", L"");
    strip.AddGroup(L"Second", L"GroupInclude");
    std::vector<std::wstring> labels;
    for (const standin::RibbonGroup& g : strip.groups()) labels.push_back(g.label);
    EXPECT_EQ((std::vector<std::wstring>{L"Clipboard", L"Include", L"First", L"Second", L"Tags", L"Last"}), labels);
}

// An add-in whose markup and callbacks the test writes: it records the controls it is called with.
class ScriptedAddin final : public standin::StandInObject, public parcelon::IRibbonExtensibility {
public:
    explicit ScriptedAddin(std::wstring markup)
        : StandInObject(L"ScriptedAddin", IID_IDispatch, {{L"Act", 1}}), markup_(std::move(markup)) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return StandInObject::QueryInterface(iid, out); }
    STDMETHODIMP_(ULONG) AddRef() override { return StandInObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return StandInObject::Release(); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return StandInObject::GetTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return StandInObject::GetTypeInfo(i, l, t); }
    STDMETHODIMP GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return StandInObject::GetIDsOfNames(r, n, c, l, d);
    }
    STDMETHODIMP Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e, UINT* a) override {
        return StandInObject::Invoke(d, r, l, f, p, v, e, a);
    }
    STDMETHODIMP GetCustomUI(BSTR ribbonId, BSTR* xml) override {
        asked.push_back(ribbonId);
        *xml = SysAllocString(asked.back() == parcelon::kMailComposeRibbon ? markup_.c_str() : L"");
        return S_OK;
    }
    std::vector<std::wstring> asked;
    std::vector<std::wstring> clicks;  // "id tag context-is-the-window"
    int ribbonQueries = 0;
    IDispatch* window = nullptr;

protected:
    void* QueryExtra(REFIID iid) override {
        if (iid == parcelon::IID_IRibbonExtensibility) ++ribbonQueries;
        return iid == parcelon::IID_IRibbonExtensibility ? static_cast<parcelon::IRibbonExtensibility*>(this) : nullptr;
    }
    HRESULT InvokeMember(DISPID, WORD, const DISPPARAMS* params, VARIANT*) override {
        const VARIANT* control = standin::Argument(params, 0);
        if (!control || control->vt != VT_DISPATCH || !control->pdispVal) return DISP_E_TYPEMISMATCH;
        clicks.push_back(Property(control->pdispVal, L"Id") + L" " + Property(control->pdispVal, L"Tag") + L" " +
                         (ContextOf(control->pdispVal) == window ? L"window" : L"other"));
        return S_OK;
    }

private:
    static std::wstring Property(IDispatch* object, const wchar_t* name) {
        VARIANT v;
        VariantInit(&v);
        Get(object, name, &v);
        std::wstring text = v.vt == VT_BSTR ? v.bstrVal : L"?";
        VariantClear(&v);
        return text;
    }
    static IDispatch* ContextOf(IDispatch* object) {
        VARIANT v;
        VariantInit(&v);
        Get(object, L"Context", &v);
        IDispatch* context = v.vt == VT_DISPATCH ? v.pdispVal : nullptr;
        VariantClear(&v);  // the window outlives the call: comparing the pointer is enough
        return context;
    }
    static void Get(IDispatch* object, const wchar_t* name, VARIANT* v) {
        DISPID id = DISPID_UNKNOWN;
        auto* names = const_cast<LPOLESTR>(name);
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (SUCCEEDED(object->GetIDsOfNames(IID_NULL, &names, 1, 0, &id)))
            object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v, nullptr, nullptr);
    }
    std::wstring markup_;
};

TEST(StandInAddinRibbons, AClickCallsTheNamedCallbackWithTheWindowsControlAndOlderVersionsAskNothing) {
    {
        auto* addin = new ScriptedAddin(Markup(parcelon::kCustomUINamespace2009, kTwoTabs));
        auto* mail = new standin::MailItem;
        auto* window = new standin::Inspector(mail->dispatch());
        addin->window = window->dispatch();
        {
            standin::AddinRibbons ribbons(L"14.0.7015.1000");
            std::vector<std::string> reports;
            ribbons.report = [&reports](const std::string& line) { reports.push_back(line); };
            ribbons.Connect(L"Scripted", static_cast<parcelon::IRibbonExtensibility*>(addin));
            ribbons.ShowComposeRibbon(*window);
            ribbons.ShowComposeRibbon(*window);  // asked once, like Outlook
            EXPECT_EQ((std::vector<std::wstring>{L"Microsoft.Outlook.Explorer", L"Microsoft.Outlook.Mail.Compose"}),
                      addin->asked);
            const standin::RibbonButton* one = window->frame().ribbon.FindAddedButton(L"One");
            ASSERT_NE(nullptr, one);
            ASSERT_TRUE(one->onAction);
            one->onAction();
            EXPECT_EQ((std::vector<std::wstring>{L"b1 t1 window"}), addin->clicks);
            // Its getImage names no member of the add-in: a placeholder face, and said so.
            EXPECT_FALSE(one->picture);
            EXPECT_NE(reports.end(), std::find(reports.begin(), reports.end(),
                                               "ribbon picture: Picture for b1: failed 0x80020006"));
            const standin::RibbonButton* two = window->frame().ribbon.FindAddedButton(L"Two");
            ASSERT_NE(nullptr, two);
            EXPECT_FALSE(two->onAction);  // no onAction in its markup
        }
        {
            auto* older = new standin::Inspector(mail->dispatch());
            standin::AddinRibbons ribbons(L"11.0.5510");
            addin->ribbonQueries = 0;
            ribbons.Connect(L"Scripted", static_cast<parcelon::IRibbonExtensibility*>(addin));
            ribbons.ShowComposeRibbon(*older);
            EXPECT_EQ(0, addin->ribbonQueries);
            EXPECT_EQ(2u, addin->asked.size());
            EXPECT_FALSE(older->frame().showsRibbon);
            older->Release();
        }
        window->Release();
        mail->Release();
        addin->Release();
    }
    EXPECT_EQ(0, standin::LiveObjects());
}

}  // namespace
