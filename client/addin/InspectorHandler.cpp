// One qualifying mail window: its events and its button.
#include "InspectorHandler.h"

#include "AttachFromWindow.h"
#include "HostInterfaces.h"
#include "InspectorsSink.h"
#include "OutlookAddin.h"
#include "client/resources/ResourceIds.h"
#include "common/ComErrorReport.h"
#include "server/EventTrampoline.h"

namespace parcelon {

namespace {
constexpr wchar_t kStandardBar[] = L"Standard";
constexpr wchar_t kOwnBar[] = L"ParcelonToolbar";
constexpr long kAnchorControlId = 1079;
constexpr long kButtonStyle = 3;  // msoButtonIconAndCaption
constexpr long kBuiltInFace = 352;

// Calls visit(item) for items 1 to Count of a host collection, skipping empty entries,
// until visit returns true.
template <class Visit>
void ForEachItem(const HostObject& collection, const IID& iid, Visit visit) {
    long count = collection.GetLong(L"Count");
    for (long i = 1; i <= count; ++i) {
        HostObject item = HostObject::Query(collection.GetIndexed(L"Item", Variant::Long(i)), iid);
        if (item && visit(item, i)) return;
    }
}

HostObject FindBar(const HostObject& bars, const wchar_t* name) {
    HostObject found;
    ForEachItem(bars, IID_OfficeCommandBar, [&](const HostObject& bar, long) {
        if (bar.GetString(L"Name") != name) return false;
        found = bar;
        return true;
    });
    return found;
}
}  // namespace

class InspectorHandler::CallScope {
public:
    explicit CallScope(InspectorHandler& handler) : handler_(handler.shared_from_this()) { ++handler_->m_calls; }
    ~CallScope() { --handler_->m_calls; }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    std::shared_ptr<InspectorHandler> handler_;
};

InspectorHandler::InspectorHandler(OutlookAddin* addin, InspectorsSink* sink, HostObject inspector)
    : ActivateSink(IID_InspectorEvents),
      CloseSink(IID_InspectorEvents),
      ClickSink(IID_CommandBarButtonEvents),
      m_addin(addin),
      m_sink(sink),
      m_inspector(std::move(inspector)) {}

InspectorHandler::~InspectorHandler() { ReleaseHost(); }

void InspectorHandler::Detach() {
    m_closed = true;
    m_sink = nullptr;
    ReleaseHost();
}

void InspectorHandler::ReleaseHost() {
    // The sinks die with this object: the host must not keep calling them.
    if (ClickSink::connected()) ClickSink::Disconnect(m_button.dispatch());
    if (ActivateSink::connected()) ActivateSink::Disconnect(m_inspector.dispatch());
    if (CloseSink::connected()) CloseSink::Disconnect(m_inspector.dispatch());
    m_bar = HostObject();
    m_button = HostObject();
    m_inspector = HostObject();
}

const EventSinkEntry* InspectorHandler::EventTable() {
    static const EventSinkEntry table[] = {
        EventRow<InspectorHandler, ActivateSink, &InspectorHandler::OnInspectorActivate>(IID_InspectorEvents,
                                                                                          DISPID_InspectorActivate),
        EventRow<InspectorHandler, CloseSink, &InspectorHandler::OnInspectorClose>(IID_InspectorEvents,
                                                                                    DISPID_InspectorClose),
        EventRow<InspectorHandler, ClickSink, &InspectorHandler::OnButtonClick>(IID_CommandBarButtonEvents,
                                                                                 DISPID_ButtonClick),
        {},
    };
    return table;
}

void InspectorHandler::ConnectInspectorEvents() {
    ActivateSink::Connect(m_inspector.dispatch());
    CloseSink::Connect(m_inspector.dispatch());
}

void InspectorHandler::OnInspectorActivate() {
    if (m_closed) return;
    CallScope scope(*this);
    // A host with a ribbon shows the add-in's ribbon button: a command-bar button would
    // be a second one, on a tab of its own.
    if (!m_addin->hostHasComposeRibbon()) InstallButton();
}

void InspectorHandler::OnInspectorClose() {
    if (m_closed) return;
    CallScope scope(*this);
    m_closed = true;
    if (m_button && ClickSink::connected()) ClickSink::Disconnect(m_button.dispatch());
    if (m_createdBar && m_bar) {
        // A bar the host will not delete still lets the window go.
        try {
            m_bar.Call(L"Delete");
        } catch (const _com_error& error) {
            ReportComError(error);
        }
    }
    ReleaseHost();
    if (m_sink) m_sink->Retire(this);
}

void InspectorHandler::OnButtonClick(IDispatch*, VARIANT_BOOL*) {
    // A click the host sent before the window closed, arriving after it.
    if (m_closed || !m_inspector) return;
    CallScope scope(*this);
    // The window may close, or the host disconnect, while the dialog is open: the window
    // goes to the dialog as a reference of its own.
    OpenDialogForInspector(m_addin->identity(), m_inspector);
}

HostObject InspectorHandler::ChooseBar(const HostObject& bars) {
    HostObject standard = FindBar(bars, kStandardBar);
    if (!standard) return HostObject();
    if (standard.GetBool(L"Visible")) return standard;
    // Another window may have left its own bar: then this window waits for its next activation.
    if (FindBar(bars, kOwnBar)) return HostObject();
    if (!m_bar) {
        m_bar = HostObject::FromVariant(
            bars.Call(L"Add", {Variant::String(kOwnBar), Variant::Long(msoBarTop), Variant::Omitted(),
                               Variant::Bool(true)}),
            IID_OfficeCommandBar);
        m_createdBar = static_cast<bool>(m_bar);
    }
    return m_bar;
}

long InspectorHandler::InsertionPosition(const HostObject& controls) {
    long position = -1;
    ForEachItem(controls, IID_OfficeCommandBarButton, [&](const HostObject& button, long index) {
        if (button.GetLong(L"Id") != kAnchorControlId) return false;
        position = index;
        return true;
    });
    return position;
}

void InspectorHandler::InstallButton() {
    if (m_installed) return;
    HostObject bars = m_inspector.GetObject(L"CommandBars", IID_OfficeCommandBars);
    if (!bars) return;
    HostObject bar = ChooseBar(bars);
    if (!bar) return;
    m_bar = bar;
    HostObject controls = m_bar.GetObject(L"Controls", IID_OfficeCommandBarControls);
    if (!controls) return;
    long position = InsertionPosition(controls);

    m_addin->AddButton(m_bar, msoControlButton, kButtonStyle, L"Parcelon", L"Tag for Parcelon button", L"Parcelon",
                       true, kBuiltInFace, position, IDB_BUTTON_FACE, m_button);
    if (m_button) ClickSink::Connect(m_button.dispatch());
    m_installed = true;
    m_bar.Put(L"Visible", Variant::Bool(true));
}

}  // namespace parcelon
