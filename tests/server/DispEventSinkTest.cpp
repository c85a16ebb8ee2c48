// Event routing of DispEventSink: from Invoke through DispCallFunc and the typed
// trampolines to the right member of the right owner, with the arguments in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/addin/HostInterfaces.h"
#include "common/Variant.h"
#include "server/EventTrampoline.h"
#include "standin/ApplicationObjects.h"
#include "standin/MailObjects.h"
#include "tests/support/DebugOutputCapture.h"

using namespace parcelon;

namespace {
// An interface of our own whose events two sinks of one owner receive.
inline constexpr IID kPairEvents = {0x5A1E0001, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};

enum : DISPID { kPlain = 1, kClick = 2, kMixed = 3, kThrows = 4, kUnsigned = 5, kNoRow = 99 };

class Owner : public DispEventSinkOf<1, Owner>, public DispEventSinkOf<2, Owner>, public DispEventSinkOf<3, Owner> {
public:
    using First = DispEventSinkOf<1, Owner>;
    using Second = DispEventSinkOf<2, Owner>;
    using Window = DispEventSinkOf<3, Owner>;

    Owner() : First(kPairEvents), Second(kPairEvents), Window(IID_InspectorsEvents) {}
    static const EventSinkEntry* EventTable();

    IDispatch* first() { return static_cast<First*>(this); }
    IDispatch* second() { return static_cast<Second*>(this); }
    IDispatch* window() { return static_cast<Window*>(this); }

    void OnFirst(IDispatch* object) { Record("first", object); }
    void OnSecond(IDispatch* object) { Record("second", object); }
    void OnNewWindow(IDispatch* object) { Record("window", object); }
    void OnClick(IDispatch* button, VARIANT_BOOL* cancel) {
        Record("click", button);
        *cancel = VARIANT_TRUE;
    }
    long OnMixed(long number, BSTR text, IDispatch* object) {
        Record("mixed", object);
        number_ = number;
        text_ = text ? text : L"";
        return number * 2;
    }
    void OnThrows() {
        Record("throws", nullptr);
        throw _com_error(E_ACCESSDENIED);
    }
    void OnUnsigned(long number) {
        Record("unsigned", nullptr);
        number_ = number;
    }

    HRESULT STDMETHODCALLTYPE GetHandlerInfo(REFIID iid, DISPID id, LCID, EventHandlerInfo* info) override {
        if (!answerHandlerInfo || iid != kPairEvents || id != kUnsigned) return E_NOTIMPL;
        *info = {CC_STDCALL, VT_EMPTY, 1, {VT_I4}};
        return S_OK;
    }

    std::vector<std::string> calls;
    const Owner* seenOwner = nullptr;
    IDispatch* seenObject = nullptr;
    long number_ = 0;
    std::wstring text_;
    bool answerHandlerInfo = false;

private:
    void Record(const char* name, IDispatch* object) {
        calls.push_back(name);
        seenOwner = this;
        seenObject = object;
    }
};

const EventSinkEntry* Owner::EventTable() {
    static const EventSinkEntry table[] = {
        EventRow<Owner, First, &Owner::OnFirst>(kPairEvents, kPlain),
        EventRow<Owner, Second, &Owner::OnSecond>(kPairEvents, kPlain),
        EventRow<Owner, Second, &Owner::OnClick>(kPairEvents, kClick),
        EventRow<Owner, Second, &Owner::OnMixed>(kPairEvents, kMixed),
        EventRow<Owner, First, &Owner::OnThrows>(kPairEvents, kThrows),
        {First::kSinkId, &kPairEvents, BaseOffset<Owner, First>(), kUnsigned,
         EventTrampoline<&Owner::OnUnsigned>::table, nullptr},
        EventRow<Owner, Window, &Owner::OnNewWindow>(IID_InspectorsEvents, DISPID_NewInspector),
        {},
    };
    return table;
}

// Invoke as an event source calls it; `args` in declaration order.
HRESULT Fire(IDispatch* sink, DISPID id, std::vector<VARIANT> args, VARIANT* result = nullptr) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr);
}

VARIANT Of(IDispatch* object) {
    VARIANT v;
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    return v;
}

VARIANT OfLong(long n) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

class EventRouting : public ::testing::Test {
protected:
    void TearDown() override { standin::ClearFailures(); }
    Owner owner;
    standin::MailItem* item = new standin::MailItem;
    ~EventRouting() override { item->Release(); }
};
}  // namespace

TEST_F(EventRouting, EventReachesTheMemberOfItsOwnSinkWithTheOwner) {
    EXPECT_EQ(S_OK, Fire(owner.second(), kPlain, {Of(item->dispatch())}));
    EXPECT_EQ(std::vector<std::string>{"second"}, owner.calls);
    EXPECT_EQ(&owner, owner.seenOwner);
    EXPECT_EQ(item->dispatch(), owner.seenObject);

    EXPECT_EQ(S_OK, Fire(owner.first(), kPlain, {Of(item->dispatch())}));
    EXPECT_EQ((std::vector<std::string>{"second", "first"}), owner.calls);
    EXPECT_EQ(&owner, owner.seenOwner);
}

TEST_F(EventRouting, ArgumentsArriveInDeclarationOrderAndTheResultIsReturned) {
    Variant text = Variant::String(L"seven");
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(S_OK, Fire(owner.second(), kMixed, {OfLong(7), *text.get(), Of(item->dispatch())}, &result));
    EXPECT_EQ(std::vector<std::string>{"mixed"}, owner.calls);
    EXPECT_EQ(7, owner.number_);
    EXPECT_EQ(L"seven", owner.text_);
    EXPECT_EQ(item->dispatch(), owner.seenObject);
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(14, result.lVal);
}

TEST_F(EventRouting, ByReferenceArgumentIsWrittenThrough) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT byRef;
    byRef.vt = VT_BOOL | VT_BYREF;
    byRef.pboolVal = &cancel;
    EXPECT_EQ(S_OK, Fire(owner.second(), kClick, {Of(item->dispatch()), byRef}));
    EXPECT_EQ(VARIANT_TRUE, cancel);
}

TEST_F(EventRouting, UnknownDispidOrAnotherSinksRowMakesNoCall) {
    EXPECT_EQ(S_OK, Fire(owner.first(), kNoRow, {Of(item->dispatch())}));
    EXPECT_EQ(S_OK, Fire(owner.first(), kClick, {Of(item->dispatch())}));   // sink 2's row
    EXPECT_EQ(S_OK, Fire(owner.window(), kPlain, {Of(item->dispatch())}));  // another interface
    EXPECT_TRUE(owner.calls.empty());
}

TEST_F(EventRouting, EventWithoutResultVariantStillRunsAHandlerThatReturnsOne) {
    Variant text = Variant::String(L"x");
    EXPECT_EQ(S_OK, Fire(owner.second(), kMixed, {OfLong(3), *text.get(), Of(item->dispatch())}, nullptr));
    EXPECT_EQ(std::vector<std::string>{"mixed"}, owner.calls);
    EXPECT_EQ(3, owner.number_);
}

TEST_F(EventRouting, ArgumentsThatCannotBeDeliveredAsDeclaredDropTheEvent) {
    EXPECT_EQ(S_OK, Fire(owner.second(), kMixed, {OfLong(1)}));  // too few
    EXPECT_EQ(S_OK, owner.second()->Invoke(kPlain, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                                           nullptr));  // none at all
    EXPECT_EQ(S_OK, Fire(owner.second(), kPlain, {OfLong(5)}));  // a number for an object
    EXPECT_EQ(S_OK, Fire(owner.second(), kClick, {Of(item->dispatch()), *Variant::Bool(true).get()}));  // not by reference
    EXPECT_TRUE(owner.calls.empty());

    // One that converts is converted: a text holding a number for a long.
    Variant seven = Variant::String(L"7");
    EXPECT_EQ(S_OK, Fire(owner.second(), kMixed, {*seven.get(), *seven.get(), Of(item->dispatch())}));
    EXPECT_EQ(std::vector<std::string>{"mixed"}, owner.calls);
    EXPECT_EQ(7, owner.number_);
}

TEST_F(EventRouting, RowWithoutSignatureAsksGetHandlerInfo) {
    EXPECT_EQ(S_OK, Fire(owner.first(), kUnsigned, {OfLong(42)}));
    EXPECT_TRUE(owner.calls.empty());  // E_NOTIMPL: ignored
    owner.answerHandlerInfo = true;
    EXPECT_EQ(S_OK, Fire(owner.first(), kUnsigned, {OfLong(42)}));
    EXPECT_EQ(std::vector<std::string>{"unsigned"}, owner.calls);
    EXPECT_EQ(42, owner.number_);
}

TEST_F(EventRouting, HandlerFailureIsReportedAndNotPassedToTheSource) {
    testing_support::DebugOutputCapture capture;
    ASSERT_TRUE(capture.ready());
    EXPECT_EQ(S_OK, Fire(owner.first(), kThrows, {}));
    EXPECT_EQ(std::vector<std::string>{"throws"}, owner.calls);
    std::string output = testing_support::Joined(capture.Take(2));
    EXPECT_NE(std::string::npos, output.find("_com_error exception - Source: (null), Error: -2147024891"));
}

TEST(DispEventSinkIdentity, AnswersItsInterfacesAndCountsNothing) {
    Owner owner;
    IDispatch* sink = owner.window();
    void* out = reinterpret_cast<void*>(1);
    for (const IID* iid : {&IID_InspectorsEvents, &IID_IUnknown, &IID_IDispatch}) {
        ASSERT_EQ(S_OK, sink->QueryInterface(*iid, &out));
        EXPECT_EQ(sink, out);
    }
    EXPECT_EQ(E_NOINTERFACE, sink->QueryInterface(kPairEvents, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_NOINTERFACE, sink->QueryInterface(IID_NULL, &out));
    EXPECT_EQ(E_POINTER, sink->QueryInterface(IID_IDispatch, nullptr));
    EXPECT_EQ(1u, sink->AddRef());
    EXPECT_EQ(1u, sink->Release());
    UINT count = 0;
    EXPECT_EQ(E_NOTIMPL, sink->GetTypeInfoCount(&count));
    ITypeInfo* info = nullptr;
    EXPECT_EQ(E_NOTIMPL, sink->GetTypeInfo(0, 0, &info));
}

TEST(DispEventSinkConnection, ConnectsFiresAndDisconnectsOnARealConnectionPoint) {
    auto* inspectors = new standin::Inspectors;
    auto* window = new standin::Window(L"Inspector", IID_OutlookInspector, L"Message");
    {
        Owner owner;
        Owner::Window& windowSink = owner;  // the owner's only sink on InspectorsEvents
        EXPECT_EQ(DispEventSink::kNotConnected, windowSink.eventCookie());
        ASSERT_EQ(S_OK, windowSink.Connect(inspectors->dispatch()));
        EXPECT_TRUE(windowSink.connected());
        EXPECT_EQ(1u, inspectors->connections());

        EXPECT_EQ(S_OK, inspectors->FireNewInspector(window->dispatch()));
        EXPECT_EQ(S_OK, inspectors->FireNewInspector(window->dispatch(), false));
        EXPECT_EQ((std::vector<std::string>{"window", "window"}), owner.calls);
        EXPECT_EQ(window->dispatch(), owner.seenObject);

        EXPECT_EQ(S_OK, windowSink.Disconnect(inspectors->dispatch()));
        EXPECT_FALSE(windowSink.connected());
        EXPECT_EQ(0u, inspectors->connections());
        EXPECT_EQ(CONNECT_E_NOCONNECTION, windowSink.Disconnect(inspectors->dispatch()));
        EXPECT_EQ(DispEventSink::kNotConnected, windowSink.eventCookie());
    }
    window->Release();
    inspectors->Release();
}

TEST(DispEventSinkConnection, FailedConnectLeavesTheSinkNotConnected) {
    auto* inspectors = new standin::Inspectors;
    auto* item = new standin::MailItem;
    {
        Owner owner;
        Owner::Window& sink = owner;
        EXPECT_EQ(E_NOINTERFACE, sink.Connect(item->dispatch()));  // no connection points
        EXPECT_EQ(CONNECT_E_NOCONNECTION, static_cast<Owner::First&>(owner).Connect(inspectors->dispatch()));
        standin::Failure failure;
        failure.hr = E_OUTOFMEMORY;
        standin::FailMember(L"Inspectors.Advise", failure);
        EXPECT_EQ(E_OUTOFMEMORY, sink.Connect(inspectors->dispatch()));
        EXPECT_FALSE(sink.connected());
        EXPECT_EQ(0u, inspectors->connections());
        standin::ClearFailures();
    }
    item->Release();
    inspectors->Release();
}
