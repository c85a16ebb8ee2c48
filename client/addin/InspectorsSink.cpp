// The add-in's sink on the host's Inspectors collection.
#include "InspectorsSink.h"

#include <algorithm>

#include "HostInterfaces.h"
#include "MailItem.h"
#include "server/EventTrampoline.h"

namespace parcelon {

InspectorsSink::InspectorsSink(OutlookAddin* addin, IDispatch* inspectors)
    : CollectionSink(IID_InspectorsEvents, inspectors), m_addin(addin) {}

InspectorsSink::~InspectorsSink() {
    // A handler whose click is still running (its dialog ends with the host) lives on until
    // the click returns, but lets go of the host now.
    for (auto& handler : m_handlers) {
        handler->Detach();
        handler.reset();
    }
    m_retired.clear();
}

const EventSinkEntry* InspectorsSink::EventTable() {
    static const EventSinkEntry table[] = {
        EventRow<InspectorsSink, DispEventSinkOf<1, InspectorsSink>, &InspectorsSink::OnNewInspector>(
            IID_InspectorsEvents, DISPID_NewInspector),
        {},
    };
    return table;
}

void InspectorsSink::OnNewInspector(IDispatch* inspector) {
    DestroyIdleRetired();
    HostObject window = HostObject::Query(inspector, IID_OutlookInspector);
    if (!window) return;
    MailItem item(HostObject::Query(window.Get(L"CurrentItem"), IID_OutlookMailItem));
    if (!item) return;
    if (!item.UnRead() || item.Sent()) return;
    auto handler = std::make_shared<InspectorHandler>(m_addin, this, window);
    handler->ConnectInspectorEvents();
    m_handlers.push_back(std::move(handler));
}

void InspectorsSink::Retire(InspectorHandler* handler) {
    DestroyIdleRetired();
    auto found = std::find_if(m_handlers.begin(), m_handlers.end(),
                              [&](const std::shared_ptr<InspectorHandler>& h) { return h.get() == handler; });
    if (found == m_handlers.end()) return;
    m_retired.push_back(std::move(*found));
    m_handlers.erase(found);
}

void InspectorsSink::DestroyIdleRetired() {
    // A handler busy in a call (a Close inside its own click's dialog) waits for a later turn.
    m_retired.erase(std::remove_if(m_retired.begin(), m_retired.end(),
                                   [](const std::shared_ptr<InspectorHandler>& h) { return !h->inCall(); }),
                    m_retired.end());
}

}  // namespace parcelon
