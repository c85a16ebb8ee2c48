// OutlookAddin connected to and disconnected from the Outlook stand-in: every partial
// state, the version labels, host failures, and that everything taken is released.
#include <gtest/gtest.h>

#include "client/addin/CurrentMailItem.h"
#include "client/addin/OutlookAddin.h"
#include "standin/ApplicationObjects.h"
#include "standin/MailObjects.h"
#include "tests/support/DebugOutputCapture.h"
#include "tests/support/HolderProcess.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::DebugOutputCapture;

namespace {
class ModuleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { serverModule.Init(GetModuleHandleW(nullptr), nullptr, LIBID_PARCELONLib); }
    void TearDown() override { serverModule.Term(); }
};
const auto* const module = ::testing::AddGlobalTestEnvironment(new ModuleEnvironment);

class Connection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, standin::LiveObjects());
        app = new standin::Application;
        ASSERT_EQ(S_OK, CreateComInstance<OutlookAddin>(nullptr, IID_IDTExtensibility2,
                                                        reinterpret_cast<void**>(&connection)));
        addin = static_cast<OutlookAddin*>(connection);
    }
    void TearDown() override {
        standin::ClearFailures();
        if (connection) connection->Release();
        if (app) app->Release();
        EXPECT_EQ(0, standin::LiveObjects());  // the add-in released all it took
        EXPECT_EQ(0, serverModule.lockCount());
    }
    HRESULT Connect(IDispatch* application) {
        return connection->OnConnection(application, 0, nullptr, nullptr);
    }
    HRESULT Disconnect() { return connection->OnDisconnection(0, nullptr); }
    size_t ExplorersConnections() { return app->explorers().connections(); }
    size_t InspectorsConnections() { return app->inspectors().connections(); }

    standin::Application* app = nullptr;
    IDTExtensibility2* connection = nullptr;
    OutlookAddin* addin = nullptr;
};
}  // namespace

TEST_F(Connection, ConnectsBothSinksAndDisconnectsThemAgain) {
    ASSERT_EQ(S_OK, Connect(app->dispatch()));
    EXPECT_TRUE(addin->app());
    ASSERT_NE(nullptr, addin->explorersSink());
    ASSERT_NE(nullptr, addin->inspectorsSink());
    EXPECT_TRUE(addin->explorersSink()->connected());
    EXPECT_TRUE(addin->inspectorsSink()->connected());
    EXPECT_EQ(1u, ExplorersConnections());
    EXPECT_EQ(1u, InspectorsConnections());
    EXPECT_EQ("Outlook 2003", addin->versionLabel());

    auto* window = new standin::Window(L"Inspector", IID_OutlookInspector, L"Untitled - Message");
    EXPECT_EQ(S_OK, app->inspectors().FireNewInspector(window->dispatch()));
    EXPECT_EQ(S_OK, app->explorers().FireNewExplorer(window->dispatch(), false));
    window->Release();

    EXPECT_EQ(S_OK, Disconnect());
    EXPECT_EQ(nullptr, addin->explorersSink());
    EXPECT_EQ(nullptr, addin->inspectorsSink());
    EXPECT_EQ(0u, ExplorersConnections());
    EXPECT_EQ(0u, InspectorsConnections());
    EXPECT_FALSE(addin->app());  // no host object outlives the disconnection
    EXPECT_EQ("Outlook 2003", addin->versionLabel());
    EXPECT_EQ(S_OK, Disconnect());  // nothing left to do
}

TEST_F(Connection, ArgumentThatIsNoApplicationSetsUpNothing) {
    auto* item = new standin::MailItem;
    EXPECT_EQ(S_FALSE, Connect(item->dispatch()));
    EXPECT_EQ(S_FALSE, Connect(nullptr));
    item->Release();
    EXPECT_FALSE(addin->app());
    EXPECT_EQ(nullptr, addin->explorersSink());
    EXPECT_EQ(nullptr, addin->inspectorsSink());
    EXPECT_EQ(S_OK, Disconnect());
}

TEST_F(Connection, WithoutExplorersOnlyTheApplicationIsKept) {
    app->hasExplorers = false;
    EXPECT_EQ(S_FALSE, Connect(app->dispatch()));
    EXPECT_TRUE(addin->app());
    EXPECT_EQ(nullptr, addin->explorersSink());
    EXPECT_EQ(nullptr, addin->inspectorsSink());
    EXPECT_EQ(0u, ExplorersConnections());
    EXPECT_EQ(0u, InspectorsConnections());
    EXPECT_EQ("", addin->versionLabel());
    EXPECT_EQ(S_OK, Disconnect());
}

TEST_F(Connection, WithoutInspectorsTheExplorersSinkStaysConnectedUntilDisconnection) {
    app->hasInspectors = false;
    EXPECT_EQ(S_FALSE, Connect(app->dispatch()));
    ASSERT_NE(nullptr, addin->explorersSink());
    EXPECT_TRUE(addin->explorersSink()->connected());
    EXPECT_EQ(1u, ExplorersConnections());
    EXPECT_EQ(nullptr, addin->inspectorsSink());
    EXPECT_EQ(S_OK, Disconnect());
    EXPECT_EQ(nullptr, addin->explorersSink());
    EXPECT_EQ(0u, ExplorersConnections());
}

TEST_F(Connection, VersionTextGivesTheLabelAndTheKindOfButtonAndNeverFailsTheConnection) {
    struct Case {
        const wchar_t* version;
        const char* label;
        bool ribbon;
    };
    const Case cases[] = {
        {L"9.0", "Outlook 2000", false},   {L"10", "Outlook 2002", false},       {L"8.5", "Outlook 98", false},
        {L"12.0.1", "Outlook 2003", true}, {L" +11.0", "Outlook 2003", false},  {L"7.0", "", false},
        {L"", "", false},                  {L".9", "", false},                   {L"beta.10", "", false},
        {L"11.9.9", "Outlook 2003", false}, {L"12", "Outlook 2003", true},       {L"16.0.0.0", "Outlook 2003", true},
    };
    for (const Case& c : cases) {
        ComPtr<IUnknown> fresh;
        ASSERT_EQ(S_OK, CreateComInstance<OutlookAddin>(nullptr, IID_IDTExtensibility2, fresh.putVoid()));
        auto* other = static_cast<IDTExtensibility2*>(fresh.get());
        app->version = c.version;
        EXPECT_EQ(S_OK, other->OnConnection(app->dispatch(), 0, nullptr, nullptr));
        EXPECT_EQ(c.label, static_cast<OutlookAddin*>(other)->versionLabel()) << "version " << c.version;
        EXPECT_EQ(c.ribbon, static_cast<OutlookAddin*>(other)->hostHasComposeRibbon()) << "version " << c.version;
        EXPECT_EQ(S_OK, other->OnDisconnection(0, nullptr));
    }
}

TEST_F(Connection, FailingHostCallsAreReportedAndLeaveWhatWasSetUp) {
    DebugOutputCapture capture;
    ASSERT_TRUE(capture.ready());
    standin::FailMember(L"Application.Inspectors", standin::Failing(E_ACCESSDENIED, L"No windows"));
    EXPECT_EQ(S_FALSE, Connect(app->dispatch()));
    EXPECT_NE(std::string::npos, testing_support::Joined(capture.Take(2)).find(
                                     "Source: Microsoft Outlook, Error: -2147024891, Description: No windows"));
    ASSERT_NE(nullptr, addin->explorersSink());
    EXPECT_EQ(1u, ExplorersConnections());
    EXPECT_EQ(nullptr, addin->inspectorsSink());
    EXPECT_EQ(S_OK, Disconnect());

    standin::FailMember(L"Application.Explorers", standin::Failing(E_FAIL, L"Busy"));
    EXPECT_EQ(S_FALSE, Connect(app->dispatch()));
    EXPECT_NE(std::string::npos, testing_support::Joined(capture.Take(2)).find("Description: Busy"));
    EXPECT_EQ(nullptr, addin->explorersSink());
}

TEST_F(Connection, FailingVersionIsReportedAndTheConnectionStillSucceeds) {
    DebugOutputCapture capture;
    ASSERT_TRUE(capture.ready());
    standin::Failure once = standin::Failing(E_UNEXPECTED, L"No version");
    once.times = 1;
    standin::FailMember(L"Application.Version", once);
    EXPECT_EQ(S_OK, Connect(app->dispatch()));
    EXPECT_NE(std::string::npos, testing_support::Joined(capture.Take(2)).find("Description: No version"));
    EXPECT_EQ("", addin->versionLabel());
    EXPECT_FALSE(addin->hostHasComposeRibbon());  // unknown: the command-bar button, as before
    EXPECT_EQ(1u, InspectorsConnections());
    EXPECT_EQ(0, addin->DetectVersion());  // the failure was for one call only
    EXPECT_EQ("Outlook 2003", addin->versionLabel());
    EXPECT_EQ(S_OK, Disconnect());
}

TEST_F(Connection, RefusedAdviseDoesNotFailTheConnection) {
    standin::FailMember(L"Explorers.Advise", standin::Failing(E_OUTOFMEMORY, L""));
    EXPECT_EQ(S_OK, Connect(app->dispatch()));
    ASSERT_NE(nullptr, addin->explorersSink());
    EXPECT_FALSE(addin->explorersSink()->connected());
    EXPECT_TRUE(addin->inspectorsSink()->connected());
    EXPECT_EQ(S_OK, Disconnect());
    EXPECT_EQ(0u, InspectorsConnections());
}

TEST_F(Connection, BeginShutdownLetsGoOfEveryHostObjectAsDisconnectionDoes) {
    ASSERT_EQ(S_OK, Connect(app->dispatch()));
    EXPECT_EQ(E_NOTIMPL, connection->OnAddInsUpdate(nullptr));
    EXPECT_EQ(E_NOTIMPL, connection->OnStartupComplete(nullptr));
    EXPECT_EQ(1u, ExplorersConnections());
    EXPECT_EQ(1u, InspectorsConnections());
    EXPECT_EQ(1u, app->connections());  // ItemSend
    auto* item = new standin::MailItem;
    currentMailItem = MailItem(item->dispatch());
    item->Release();

    // Outlook since 2010 ends without OnDisconnection: whatever the add-in holds of the
    // host is given back here, the item of the last click too.
    EXPECT_EQ(S_OK, connection->OnBeginShutdown(nullptr));
    EXPECT_EQ(0u, ExplorersConnections());
    EXPECT_EQ(0u, InspectorsConnections());
    EXPECT_EQ(0u, app->connections());
    EXPECT_FALSE(addin->app());
    EXPECT_FALSE(currentMailItem);
    app->Release();
    app = nullptr;
    EXPECT_EQ(0, standin::LiveObjects());
    EXPECT_EQ(S_OK, Disconnect());  // nothing left to do
}

TEST_F(Connection, ObjectReleasedWhileConnectedDisconnectsItsSinks) {
    ASSERT_EQ(S_OK, Connect(app->dispatch()));
    EXPECT_EQ(1, serverModule.lockCount());
    connection->Release();
    connection = nullptr;
    EXPECT_EQ(0u, ExplorersConnections());
    EXPECT_EQ(0u, InspectorsConnections());
    // The collections would otherwise call into freed sinks.
    auto* window = new standin::Window(L"Inspector", IID_OutlookInspector, L"Message");
    EXPECT_EQ(S_OK, app->inspectors().FireNewInspector(window->dispatch()));
    window->Release();
}

TEST_F(Connection, SecondConnectionReplacesTheFirstSinks) {
    ASSERT_EQ(S_OK, Connect(app->dispatch()));
    ASSERT_EQ(S_OK, Connect(app->dispatch()));
    EXPECT_EQ(1u, ExplorersConnections());
    EXPECT_EQ(1u, InspectorsConnections());
    EXPECT_EQ(S_OK, Disconnect());
    EXPECT_EQ(0u, InspectorsConnections());
}

TEST_F(Connection, WorkingFoldersLeftByAnOutlookThatEndedGoAtTheStartAndOneInUseStays) {
    testing_support::ScratchFolder notes;
    testing_support::HolderProcess ended("working-folder", notes.path("ended.txt"));
    testing_support::HolderProcess running("working-folder", notes.path("running.txt"));
    ASSERT_TRUE(ended.ready() && running.ready());
    std::string endedFolder = testing_support::ReadWholeFile(notes.path("ended.txt"));
    std::string runningFolder = testing_support::ReadWholeFile(notes.path("running.txt"));
    testing_support::ScratchFolder(endedFolder).Write("..\\attach.zip", "half an archive");
    ended.Kill();
    auto exists = [](const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; };
    ASSERT_TRUE(exists(endedFolder + "attach.zip"));

    // The removal runs in the background; disconnecting waits for it.
    ASSERT_EQ(S_OK, Connect(app->dispatch()));
    EXPECT_EQ(S_OK, Disconnect());
    EXPECT_FALSE(exists(endedFolder)) << "no running Parcelon owns it";
    EXPECT_TRUE(exists(runningFolder)) << "its packing goes on";
    running.Stop();
    EXPECT_FALSE(exists(runningFolder)) << "its owner deleted it at the end";
}
