// One qualifying mail window: its Activate and Close events (two sinks on InspectorEvents)
// and the Click event of its "Parcelon" command-bar button, which it installs on first
// activation when the host has no ribbon in its compose windows.
#pragma once

#include <memory>

#include "HostObject.h"
#include "server/DispEventSink.h"

namespace parcelon {

class OutlookAddin;
class InspectorsSink;

class InspectorHandler final : public DispEventSinkOf<1, InspectorHandler>,
                               public DispEventSinkOf<2, InspectorHandler>,
                               public DispEventSinkOf<3, InspectorHandler>,
                               public std::enable_shared_from_this<InspectorHandler> {
public:
    using ActivateSink = DispEventSinkOf<1, InspectorHandler>;
    using CloseSink = DispEventSinkOf<2, InspectorHandler>;
    using ClickSink = DispEventSinkOf<3, InspectorHandler>;

    // `inspector` answers _Inspector; `sink` is told when the window closes.
    InspectorHandler(OutlookAddin* addin, InspectorsSink* sink, HostObject inspector);
    // Ends the connections still open, then releases the bar, the button and the window.
    ~InspectorHandler();
    // The host is going: every connection ends and every host object goes now, even while
    // a click of this handler is still running; the sink is not told.
    void Detach();
    static const EventSinkEntry* EventTable();

    // Connects the Activate sink, then the Close sink, to the window; results ignored.
    void ConnectInspectorEvents();

    void OnInspectorActivate();
    // Ends every connection, deletes a bar of the add-in's own, lets go of the bar, the
    // button and the window, and retires the handler from the sink.
    void OnInspectorClose();
    // Opens the attachment dialog over the window for the window's mail item; nothing
    // once the window has closed.
    void OnButtonClick(IDispatch* ctrl, VARIANT_BOOL* cancelDefault);

    // Whether one of the handler's event calls is running (a dialog may be open in it).
    bool inCall() const { return m_calls > 0; }
    bool closed() const { return m_closed; }

    // Places the button on the window's "Standard" bar, or on a "ParcelonToolbar" of its
    // own when "Standard" is hidden; once per window.
    void InstallButton();

    bool installed() const { return m_installed; }
    bool createdBar() const { return m_createdBar; }
    const HostObject& button() const { return m_button; }
    const HostObject& bar() const { return m_bar; }
    const HostObject& inspector() const { return m_inspector; }

private:
    // The bar that gets the button, or empty when installation is to stop unmarked.
    HostObject ChooseBar(const HostObject& bars);
    static long InsertionPosition(const HostObject& controls);
    void ReleaseHost();

    // Holds the handler and counts the event calls running, for the length of each.
    class CallScope;

    bool m_createdBar = false;
    OutlookAddin* m_addin;  // not counted: the add-in outlives its handlers
    InspectorsSink* m_sink;  // likewise: the sink owns its handlers
    HostObject m_inspector;
    HostObject m_button;
    HostObject m_bar;
    bool m_installed = false;
    bool m_closed = false;
    int m_calls = 0;
};

}  // namespace parcelon
