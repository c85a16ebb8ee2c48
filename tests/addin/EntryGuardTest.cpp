// The calls the host makes into the add-in, each reached with a planted throw (memory
// that cannot be had): the host must get a failing HRESULT or nothing, and the debugger
// output must say what happened.
#include <gtest/gtest.h>

#include "client/addin/OutlookAddin.h"
#include "client/addin/RibbonInterfaces.h"
#include "common/UniqueResource.h"
#include "standin/ApplicationObjects.h"
#include "standin/MailObjects.h"
#include "standin/RibbonControl.h"
#include "standin/WindowObjects.h"
#include "tests/server/ComTestSupport.h"
#include "tests/support/AllocationFailure.h"
#include "tests/support/DebugOutputCapture.h"

using namespace parcelon;
using testing_support::DebugOutputCapture;
using testing_support::Joined;

namespace {
// The resources (the ribbon markup) come from this build's Parcelon.dll.
class ModuleEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        resources_.reset(LoadLibraryExW(testing_support::BuildFile(L"server\\Parcelon.dll").c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(resources_);
        serverModule.Init(resources_.get(), nullptr, LIBID_PARCELONLib);
    }
    void TearDown() override { serverModule.Term(); }

private:
    UniqueLibrary resources_;
};
const auto* const module = ::testing::AddGlobalTestEnvironment(new ModuleEnvironment);

bool Says(DebugOutputCapture& capture, const std::string& text) {
    std::string said = Joined(capture.TakeUntil(text));
    return said.find(text) != std::string::npos;
}
}  // namespace

TEST(EntryGuard, EveryEntryOfTheAddinAnswersWithoutThrowingWhenMemoryRunsOut) {
    DebugOutputCapture capture;
    ASSERT_TRUE(capture.ready());
    auto* app = new standin::Application;
    app->version = L"16.0.0.0";
    IDTExtensibility2* connection = nullptr;
    ASSERT_EQ(S_OK, CreateComInstance<OutlookAddin>(nullptr, IID_IDTExtensibility2,
                                                    reinterpret_cast<void**>(&connection)));
    auto* addin = static_cast<OutlookAddin*>(connection);

    HRESULT hr = S_OK;
    {
        testing_support::AllocationFailure none;
        hr = connection->OnConnection(app->dispatch(), 0, nullptr, nullptr);
    }
    EXPECT_EQ(S_FALSE, hr);
    EXPECT_TRUE(Says(capture, "OnConnection ended by an exception: std::bad_alloc"));
    ASSERT_EQ(S_OK, connection->OnConnection(app->dispatch(), 0, nullptr, nullptr));

    BSTR ribbonId = SysAllocString(kMailComposeRibbon);
    BSTR markup = nullptr;
    {
        testing_support::AllocationFailure none;
        hr = addin->GetCustomUI(ribbonId, &markup);
    }
    SysFreeString(ribbonId);
    EXPECT_EQ(E_OUTOFMEMORY, hr);
    EXPECT_EQ(nullptr, markup);
    EXPECT_TRUE(Says(capture, "GetCustomUI ended by an exception: std::bad_alloc"));

    auto* item = new standin::MailItem(true, false);
    auto* window = new standin::Inspector(item->dispatch());
    auto* control = new standin::RibbonControl(L"ParcelonButton", L"", window->dispatch());
    {
        testing_support::AllocationFailure none;
        hr = addin->OnRibbonButton(control->dispatch());
    }
    EXPECT_EQ(S_OK, hr);  // a click is answered; it did nothing
    EXPECT_TRUE(Says(capture, "OnRibbonButton ended by an exception: std::bad_alloc"));

    // NewInspector as the host's connection point delivers it, to the sink itself.
    IDispatch* sink = addin->inspectorsSink();
    VARIANT argument;
    argument.vt = VT_DISPATCH;
    argument.pdispVal = window->dispatch();
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    {
        testing_support::AllocationFailure none;
        hr = sink->Invoke(0xF001, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
    EXPECT_EQ(S_OK, hr);
    EXPECT_TRUE(Says(capture, "An event handler ended by an exception: std::bad_alloc"));
    EXPECT_TRUE(addin->inspectorsSink()->handlers().empty());

    {
        testing_support::AllocationFailure none;
        hr = connection->OnBeginShutdown(nullptr);
    }
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(S_OK, connection->OnDisconnection(0, nullptr));
    control->Release();
    window->Release();
    item->Release();
    connection->Release();
    app->Release();
    EXPECT_EQ(0, standin::LiveObjects());
}
