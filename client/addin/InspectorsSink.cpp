// The add-in's sink on the host's Inspectors collection.
#include "InspectorsSink.h"

#include "HostInterfaces.h"
#include "MailItem.h"
#include "server/EventTrampoline.h"

namespace parcelon {

InspectorsSink::InspectorsSink(OutlookAddin* addin, IDispatch* inspectors)
    : CollectionSink(IID_InspectorsEvents, inspectors), m_addin(addin) {}

InspectorsSink::~InspectorsSink() {
    for (auto& handler : m_handlers) handler.reset();
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
    HostObject window = HostObject::Query(inspector, IID_OutlookInspector);
    if (!window) return;
    MailItem item(HostObject::Query(window.Get(L"CurrentItem"), IID_OutlookMailItem));
    if (!item) return;
    if (!item.UnRead() || item.Sent()) return;
    auto handler = std::make_unique<InspectorHandler>(m_addin, window);
    handler->ConnectInspectorEvents();
    m_handlers.push_back(std::move(handler));
}

}  // namespace parcelon
