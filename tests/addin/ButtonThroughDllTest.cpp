// The "Parcelon" button as the host meets it: the registered Parcelon.dll created by
// ProgID and connected to the Outlook stand-in, compose windows opened, activated,
// clicked and closed, and everything released at the end.
#include <gtest/gtest.h>

#include <memory>

#include "DialogWatcher.h"
#include "RegisteredDllSuite.h"
#include "client/addin/AddinIds.h"
#include "client/addin/Extensibility.h"
#include "client/addin/HostInterfaces.h"
#include "common/ComPtr.h"
#include "standin/ApplicationObjects.h"
#include "standin/MailObjects.h"
#include "tests/server/ComTestSupport.h"
#include "tests/support/DebugOutputCapture.h"
#include "tests/support/WindowScreenshot.h"

using namespace parcelon;
using namespace testing_support;

namespace {
constexpr wchar_t kUserText[] = L"copied before the message was opened";

void PutTextOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"(clipboard not available)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

COLORREF FacePixel(const standin::CommandBarControl& button, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, button.face.get());
    COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return colour;
}

class ComposeWindows : public RegisteredDllSuite {
protected:
    void SetUp() override {
        ASSERT_LE(standin::LiveObjects(), heldByModule());
        PutTextOnClipboard(kUserText);
        app = new standin::Application;
        CLSID classId = {};
        ASSERT_EQ(S_OK, CLSIDFromProgID(kProgId, &classId));
        ASSERT_EQ(S_OK, CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                                         connection.putVoid()));
    }
    void TearDown() override {
        standin::ClearFailures();
        if (connection) connection->OnDisconnection(0, nullptr);
        connection.reset();
        for (standin::Inspector* window : windows) window->Release();
        for (IDispatch* item : items) item->Release();
        app->Release();
        EXPECT_LE(standin::LiveObjects(), heldByModule());
        EXPECT_EQ(S_OK, dll->CanUnloadNow());
    }
    void Connect(const wchar_t* version = L"11.0.5510") {
        app->version = version;
        ASSERT_EQ(S_OK, connection->OnConnection(app->dispatch(), 0, nullptr, nullptr));
    }
    IDispatch* Keep(standin::StandInObject* item) {
        items.push_back(item->dispatch());
        return item->dispatch();
    }
    // A window with the compose bars, announced to the add-in.
    standin::Inspector* Open(IDispatch* item, bool composeBars = true) {
        auto* window = new standin::Inspector(item);
        windows.push_back(window);
        if (composeBars) window->commandBars().AddComposeBars();
        app->inspectors().FireNewInspector(window->dispatch());
        return window;
    }
    standin::Inspector* OpenMessage() { return Open(Keep(new standin::MailItem(true, false))); }
    standin::CommandBarControl* ButtonOn(standin::CommandBar* bar) {
        for (standin::CommandBarControl* c : bar->controls().items())
            if (c->caption == L"Parcelon") return c;
        return nullptr;
    }
    // Clicks as the host does; the watcher cancels a dialog that opens.
    void Click(standin::CommandBarControl* button, DialogWatcher& watcher, VARIANT_BOOL cancelDefault = VARIANT_FALSE) {
        VARIANT_BOOL value = cancelDefault;
        EXPECT_EQ(S_OK, button->Click(&value));
        EXPECT_EQ(cancelDefault, value);  // left as the host passed it
        everClicked = everClicked || watcher.seen();
        Sleep(50);
    }

    standin::Application* app = nullptr;
    ComPtr<IDTExtensibility2> connection;
    std::vector<standin::Inspector*> windows;
    std::vector<IDispatch*> items;
    // The item of the last click (a mail item and its attachments) stays with the module
    // until it unloads.
    static long heldByModule() { return everClicked ? 2 : 0; }
    static bool everClicked;
};
bool ComposeWindows::everClicked = false;
}  // namespace

TEST_F(ComposeWindows, VisibleStandardBarGetsTheButtonBeforeInsertFileWithThePictureFace) {
    Connect();
    standin::Inspector* window = OpenMessage();
    EXPECT_EQ(2u, window->connections());  // Activate and Close sinks
    EXPECT_EQ(S_OK, window->FireActivate());

    standin::CommandBar* standard = window->commandBars().Find(L"Standard");
    ASSERT_EQ(7u, standard->controls().items().size());
    standin::CommandBarControl* button = standard->controls().items()[4];
    EXPECT_EQ(L"Parcelon", button->caption);
    EXPECT_EQ(1079, standard->controls().items()[5]->id());
    EXPECT_EQ(L"Tag for Parcelon button", button->tag);
    EXPECT_EQ(L"Parcelon", button->tooltip);
    EXPECT_EQ(3, button->style);
    EXPECT_TRUE(button->enabled && button->visible);
    EXPECT_EQ((std::vector<std::wstring>{L"Caption", L"Enabled", L"Style", L"Tag", L"TooltipText", L"Visible",
                                         L"Picture"}),
              button->writes);
    EXPECT_EQ(1u, button->connections());  // Click

    const standin::AddArguments& add = standard->controls().addCalls().at(0);
    EXPECT_EQ(1, add.Long(0));
    EXPECT_TRUE(add.Omitted(1) && add.Omitted(2));
    EXPECT_EQ(5, add.Long(3));
    EXPECT_EQ(VT_BOOL, add.arguments.at(4).vt);
    EXPECT_EQ(VARIANT_TRUE, add.arguments.at(4).boolVal);
    EXPECT_EQ(std::vector<std::wstring>{L"Visible"}, standard->writes);

    // The face: white background turned into the button colour, the parcel kept.
    ASSERT_EQ(L"Picture", button->faceFrom);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), FacePixel(*button, 0, 0));
    EXPECT_EQ(RGB(196, 140, 72), FacePixel(*button, 4, 12));
    EXPECT_EQ(kUserText, ClipboardText());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));

    // Installed once: a second activation makes no host call.
    long calls = standin::InvokeCalls();
    EXPECT_EQ(S_OK, window->FireActivate());
    EXPECT_EQ(calls, standin::InvokeCalls());
    EXPECT_EQ(7u, standard->controls().items().size());

    window->frame().Show();
    EXPECT_TRUE(SaveWindowPng(window->frame().Handle(), BuildFile(L"compose-window.png")));
    window->Close();
    EXPECT_EQ(0u, window->connections());
    EXPECT_EQ(0u, button->connections());
    EXPECT_FALSE(standard->deleted);  // the host's own bar stays
}

TEST_F(ComposeWindows, HostsWithARibbonGetNoCommandBarButtonAndTheWindowEventsStillRun) {
    for (const wchar_t* version : {L"12.0.0.4518", L"16.0.0.0"}) {
        SCOPED_TRACE(testing::Message() << "version " << version);
        TearDown();
        windows.clear();
        items.clear();
        SetUp();
        Connect(version);
        standin::Inspector* window = OpenMessage();
        standin::Inspector* hidden = OpenMessage();
        hidden->commandBars().Find(L"Standard")->visible = false;
        EXPECT_EQ(2u, window->connections());  // Activate and Close sinks
        long calls = standin::InvokeCalls();
        EXPECT_EQ(S_OK, window->FireActivate());
        EXPECT_EQ(S_OK, hidden->FireActivate());
        EXPECT_EQ(calls, standin::InvokeCalls());  // the command bars not even looked at
        EXPECT_EQ(nullptr, ButtonOn(window->commandBars().Find(L"Standard")));
        EXPECT_EQ(0u, window->commandBars().Find(L"Standard")->controls().addCalls().size());
        EXPECT_EQ(nullptr, hidden->commandBars().Find(L"ParcelonToolbar"));
        EXPECT_EQ(S_OK, window->Close());
        EXPECT_EQ(S_OK, hidden->Close());
        EXPECT_EQ(0u, window->connections());
        EXPECT_EQ(0u, hidden->connections());
    }
}

// Command-bar and ribbon hosts alike: a window that closes is let go of at once, with its
// button and the bar the add-in made; fifty windows in a row leave nothing held.
TEST_F(ComposeWindows, ClosedWindowsAreLetGoWithTheirButtonAndBar) {
    for (const wchar_t* version : {L"11.0.5510", L"16.0.0.0"}) {
        SCOPED_TRACE(testing::Message() << "version " << version);
        const bool commandBars = wcscmp(version, L"11.0.5510") == 0;
        TearDown();
        windows.clear();
        items.clear();
        SetUp();
        Connect(version);
        auto* window = new standin::Inspector(Keep(new standin::MailItem(true, false)));
        windows.push_back(window);
        window->commandBars().AddComposeBars();
        standin::CommandBar* standard = window->commandBars().Find(L"Standard");
        const long own = window->references();
        app->inspectors().FireNewInspector(window->dispatch());
        window->FireActivate();
        EXPECT_LT(own, window->references());
        standin::CommandBarControl* button = ButtonOn(standard);
        EXPECT_EQ(commandBars, button != nullptr);
        const long buttonOwn = standard->controls().items()[0]->references();
        if (button) {
            EXPECT_LT(buttonOwn, button->references());
        }
        EXPECT_EQ(S_OK, window->Close());
        EXPECT_EQ(own, window->references());
        if (button) {
            EXPECT_EQ(buttonOwn, button->references());
        }

        long baseline = standin::LiveObjects();
        for (int i = 0; i < 50; ++i) {
            auto* item = new standin::MailItem(true, false);
            auto* other = new standin::Inspector(item->dispatch());
            item->Release();
            other->commandBars().AddComposeBars();
            other->commandBars().Find(L"Standard")->visible = i % 2 == 0;  // every other one gets a bar of its own
            app->inspectors().FireNewInspector(other->dispatch());
            other->FireActivate();
            EXPECT_EQ(S_OK, other->Close());
            other->Release();
        }
        EXPECT_EQ(baseline, standin::LiveObjects());
    }
}

// The host may deliver a click it sent before the window closed: it opens nothing.
TEST_F(ComposeWindows, ClickArrivingAfterTheWindowClosedDoesNothing) {
    Connect();
    standin::Inspector* window = OpenMessage();
    window->FireActivate();
    standin::CommandBarControl* button = ButtonOn(window->commandBars().Find(L"Standard"));
    ASSERT_NE(nullptr, button);
    standin::FailMember(L"CommandBarButton.Unadvise", standin::Failing(E_FAIL, L""));
    window->Close();
    standin::ClearFailures();
    ASSERT_EQ(1u, button->connections());  // still reaches the handler
    DialogWatcher watcher;
    Click(button, watcher);
    EXPECT_FALSE(watcher.seen());
    // The window goes before the add-in does, taking the button's connection with it.
    windows.pop_back();
    window->Release();
}

TEST_F(ComposeWindows, WithoutInsertFileTheButtonGoesToTheEndOfStandard) {
    Connect();
    auto* window = new standin::Inspector(Keep(new standin::MailItem));
    windows.push_back(window);
    standin::CommandBar* standard = window->commandBars().AddBar(L"Standard", true);
    standard->controls().Append(1, 2617, L"&Send");
    standard->controls().Append(3, 1079, L"Not a button");  // Id 1079, but no button
    app->inspectors().FireNewInspector(window->dispatch());
    window->FireActivate();
    ASSERT_EQ(3u, standard->controls().items().size());
    EXPECT_EQ(L"Parcelon", standard->controls().items()[2]->caption);
    EXPECT_TRUE(standard->controls().addCalls().at(0).Omitted(3));
}

TEST_F(ComposeWindows, HiddenStandardGetsAToolbarOfItsOwnDeletedOnClose) {
    Connect();
    standin::Inspector* window = OpenMessage();
    window->commandBars().Find(L"Standard")->visible = false;
    window->FireActivate();
    standin::CommandBar* own = window->commandBars().Find(L"ParcelonToolbar");
    ASSERT_NE(nullptr, own);
    own->AddRef();
    const standin::AddArguments& add = window->commandBars().addCalls().at(0);
    EXPECT_EQ(1, add.Long(1));  // msoBarTop
    EXPECT_TRUE(add.Omitted(2));
    EXPECT_EQ(VARIANT_TRUE, add.arguments.at(3).boolVal);
    EXPECT_TRUE(own->visible);
    ASSERT_NE(nullptr, ButtonOn(own));
    EXPECT_TRUE(own->controls().addCalls().at(0).Omitted(3));
    EXPECT_EQ(nullptr, ButtonOn(window->commandBars().Find(L"Standard")));

    window->Close();
    EXPECT_TRUE(own->deleted);
    EXPECT_EQ(nullptr, window->commandBars().Find(L"ParcelonToolbar"));
    own->Release();
}

TEST_F(ComposeWindows, ToolbarLeftByAnotherWindowStopsInstallationUntilItIsGone) {
    Connect();
    standin::Inspector* window = OpenMessage();
    window->commandBars().Find(L"Standard")->visible = false;
    window->commandBars().AddBar(L"ParcelonToolbar", true);
    window->FireActivate();
    EXPECT_TRUE(window->commandBars().addCalls().empty());
    EXPECT_EQ(nullptr, ButtonOn(window->commandBars().Find(L"ParcelonToolbar")));
    // Not marked: the next activation looks again.
    window->commandBars().Remove(window->commandBars().Find(L"ParcelonToolbar"));
    window->FireActivate();
    ASSERT_NE(nullptr, window->commandBars().Find(L"ParcelonToolbar"));
    EXPECT_NE(nullptr, ButtonOn(window->commandBars().Find(L"ParcelonToolbar")));
}

TEST_F(ComposeWindows, FirstOfSeveralStandardBarsIsUsedAndNoStandardMeansLaterTries) {
    Connect();
    auto* window = new standin::Inspector(Keep(new standin::MailItem));
    windows.push_back(window);
    window->commandBars().AddEmptyEntry();
    app->inspectors().FireNewInspector(window->dispatch());
    window->FireActivate();  // no "Standard" yet: nothing, and not marked
    EXPECT_TRUE(window->commandBars().addCalls().empty());

    standin::CommandBar* first = window->commandBars().AddBar(L"Standard", true);
    standin::CommandBar* second = window->commandBars().AddBar(L"Standard", true);
    window->commandBars().AddBar(L"standard", true);
    window->FireActivate();
    EXPECT_NE(nullptr, ButtonOn(first));
    EXPECT_EQ(nullptr, ButtonOn(second));
}

TEST_F(ComposeWindows, ClipboardRouteForOlderHostsPutsTheUsersClipboardBack) {
    Connect(L"9.0");
    standin::Inspector* window = OpenMessage();
    window->FireActivate();
    standin::CommandBarControl* button = ButtonOn(window->commandBars().Find(L"Standard"));
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(L"PasteFace", button->faceFrom);
    EXPECT_EQ(RGB(255, 255, 255), FacePixel(*button, 0, 0));  // pasted as it is, not recoloured
    EXPECT_EQ(kUserText, ClipboardText());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
}

TEST_F(ComposeWindows, EveryFaceFailureFallsThroughToTheBuiltInFace) {
    DebugOutputCapture capture;
    ASSERT_TRUE(capture.ready());
    struct Case {
        const wchar_t* version;
        std::function<void(standin::Application&)> prepare;
        const wchar_t* expectedFrom;
    };
    const Case cases[] = {
        // The picture refused: the clipboard route takes over.
        {L"11.0", [](standin::Application&) { standin::FailMember(L"CommandBarButton.Picture", standin::Failing(E_FAIL, L"No picture")); },
         L"PasteFace"},
        {L"9.0", [](standin::Application& a) { a.hasActiveExplorer = false; }, L""},
        {L"9.0", [](standin::Application& a) { a.activeExplorer().offersOleWindow = false; }, L""},
        {L"9.0", [](standin::Application&) { standin::FailMember(L"Explorer.GetWindow", standin::Failing(E_FAIL, L"")); }, L""},
        {L"10.0", [](standin::Application&) {
             standin::FailMember(L"CommandBarButton.Picture", standin::Failing(E_FAIL, L"No picture"));
             standin::FailMember(L"CommandBarButton.PasteFace", standin::Failing(E_FAIL, L"Cannot paste"));
         }, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << c.version);
        TearDown();
        windows.clear();
        items.clear();
        SetUp();
        c.prepare(*app);
        Connect(c.version);
        standin::Inspector* window = OpenMessage();
        window->FireActivate();
        standin::CommandBarControl* button = ButtonOn(window->commandBars().Find(L"Standard"));
        ASSERT_NE(nullptr, button);
        EXPECT_EQ(c.expectedFrom, button->faceFrom);
        if (!*c.expectedFrom) {
            EXPECT_EQ(352, button->faceId);
        }
        EXPECT_EQ(kUserText, ClipboardText());
        EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
        standin::ClearFailures();
    }
    capture.Take(1, 200);
}

TEST_F(ComposeWindows, PasteFaceAnsweringOtherThanSOkFallsBackAndFailingFaceIdLeavesTheButton) {
    Connect(L"8.0");
    auto* window = new standin::Inspector(Keep(new standin::MailItem));
    windows.push_back(window);
    window->commandBars().AddComposeBars();
    app->inspectors().FireNewInspector(window->dispatch());
    standin::CommandBarControls& controls = window->commandBars().Find(L"Standard")->controls();
    controls.pasteFaceResult = S_FALSE;
    standin::FailMember(L"CommandBarButton.FaceId", standin::Failing(E_FAIL, L"No face"));
    window->FireActivate();
    standin::CommandBarControl* button = ButtonOn(window->commandBars().Find(L"Standard"));
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(0, button->faceId);
    EXPECT_EQ(1u, button->connections());  // the button works without a face
    EXPECT_EQ(7u, controls.items().size());
    EXPECT_EQ(kUserText, ClipboardText());
}

TEST_F(ComposeWindows, ButtonThatCannotBeAddedMarksTheWindowAndDressingFailureKeepsIt) {
    Connect();
    standin::Inspector* window = OpenMessage();
    standin::CommandBar* standard = window->commandBars().Find(L"Standard");
    standard->controls().addGivesNothing = true;
    window->FireActivate();
    EXPECT_EQ(1u, standard->controls().addCalls().size());
    EXPECT_EQ(std::vector<std::wstring>{L"Visible"}, standard->writes);
    long calls = standin::InvokeCalls();
    window->FireActivate();
    EXPECT_EQ(calls, standin::InvokeCalls());

    standin::Inspector* second = OpenMessage();
    standin::FailMember(L"CommandBarButton.Style", standin::Failing(E_FAIL, L"No style"));
    second->FireActivate();
    standin::CommandBarControl* button = ButtonOn(second->commandBars().Find(L"Standard"));
    ASSERT_NE(nullptr, button);
    EXPECT_EQ((std::vector<std::wstring>{L"Caption", L"Enabled"}), button->writes);
    EXPECT_EQ(1u, button->connections());
}

TEST_F(ComposeWindows, OnlyUnreadUnsentMailWindowsGetAHandler) {
    Connect();
    standin::Inspector* sent = Open(Keep(new standin::MailItem(true, true)));
    standin::Inspector* read = Open(Keep(new standin::MailItem(false, false)));
    standin::Inspector* appointment = Open(Keep(new standin::OtherItem(standin::OtherItem::Appointment)));
    standin::Inspector* contact = Open(Keep(new standin::OtherItem(standin::OtherItem::Contact)));
    standin::Inspector* empty = Open(nullptr);
    for (standin::Inspector* window : {sent, read, appointment, contact, empty}) {
        EXPECT_EQ(0u, window->connections());
        window->FireActivate();
        EXPECT_EQ(nullptr, ButtonOn(window->commandBars().Find(L"Standard")));
    }
}

TEST_F(ComposeWindows, ClickOpensTheDialogOverItsOwnWindowAndTwoWindowsStaySeparate) {
    Connect();
    standin::Inspector* first = OpenMessage();
    standin::Inspector* second = OpenMessage();
    first->FireActivate();
    second->FireActivate();
    standin::CommandBarControl* firstButton = ButtonOn(first->commandBars().Find(L"Standard"));
    standin::CommandBarControl* secondButton = ButtonOn(second->commandBars().Find(L"Standard"));
    ASSERT_TRUE(firstButton && secondButton && firstButton != secondButton);
    {
        DialogWatcher watcher;
        Click(secondButton, watcher, VARIANT_TRUE);
        EXPECT_TRUE(watcher.seen());
        EXPECT_EQ(second->frame().Handle(), watcher.owner());
    }
    first->Close();
    EXPECT_EQ(1u, secondButton->connections());
    {
        DialogWatcher watcher;
        Click(firstButton, watcher);  // closed: no longer connected
        EXPECT_FALSE(watcher.seen());
    }
    {
        DialogWatcher watcher;
        Click(secondButton, watcher);
        Click(secondButton, watcher);
        EXPECT_EQ(2, watcher.count());
        EXPECT_EQ(second->frame().Handle(), watcher.owner());
    }
}

TEST_F(ComposeWindows, ClickWithoutAWindowHandleOpensTheDialogWithoutOwnerAndNotForOtherItems) {
    Connect();
    standin::Inspector* window = OpenMessage();
    window->FireActivate();
    standin::CommandBarControl* button = ButtonOn(window->commandBars().Find(L"Standard"));
    ASSERT_NE(nullptr, button);
    {
        standin::FailMember(L"Inspector.GetWindow", standin::Failing(E_FAIL, L""));
        DialogWatcher watcher;
        Click(button, watcher);
        EXPECT_TRUE(watcher.seen());
        EXPECT_EQ(nullptr, watcher.owner());
    }
    {
        window->offersOleWindow = false;
        DialogWatcher watcher;
        Click(button, watcher);
        EXPECT_TRUE(watcher.seen());
        EXPECT_EQ(nullptr, watcher.owner());
    }
    {
        window->SetCurrentItem(Keep(new standin::OtherItem(standin::OtherItem::Contact)));
        DialogWatcher watcher;
        Click(button, watcher);
        EXPECT_FALSE(watcher.seen());
    }
}

TEST_F(ComposeWindows, DisconnectionWithOpenWindowsLeavesDeadButtonsAndReleasesEverything) {
    Connect();
    standin::Inspector* window = OpenMessage();
    standin::Inspector* hidden = OpenMessage();
    hidden->commandBars().Find(L"Standard")->visible = false;
    window->FireActivate();
    hidden->FireActivate();
    standin::CommandBarControl* button = ButtonOn(window->commandBars().Find(L"Standard"));
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(S_OK, connection->OnDisconnection(0, nullptr));
    EXPECT_EQ(0u, window->connections());
    EXPECT_EQ(0u, hidden->connections());
    EXPECT_EQ(0u, button->connections());
    EXPECT_NE(nullptr, ButtonOn(window->commandBars().Find(L"Standard")));  // stays in the window
    EXPECT_NE(nullptr, hidden->commandBars().Find(L"ParcelonToolbar"));
    DialogWatcher watcher;
    Click(button, watcher);
    EXPECT_FALSE(watcher.seen());
    EXPECT_EQ(S_OK, connection->OnDisconnection(0, nullptr));
}

TEST_F(ComposeWindows, RefusedConnectionsLeaveTheWindowWithoutButtonOrTheButtonWithoutClicks) {
    Connect();
    standin::FailMember(L"Inspector.Advise", standin::Failing(CONNECT_E_ADVISELIMIT, L""));
    standin::Inspector* deaf = OpenMessage();
    EXPECT_EQ(0u, deaf->connections());
    deaf->FireActivate();
    EXPECT_EQ(nullptr, ButtonOn(deaf->commandBars().Find(L"Standard")));
    standin::ClearFailures();

    standin::FailMember(L"CommandBarButton.Advise", standin::Failing(CONNECT_E_ADVISELIMIT, L""));
    standin::Inspector* window = OpenMessage();
    window->FireActivate();
    standin::CommandBarControl* button = ButtonOn(window->commandBars().Find(L"Standard"));
    ASSERT_NE(nullptr, button);
    EXPECT_EQ(0u, button->connections());
    window->Close();
    EXPECT_EQ(0u, window->connections());
}
