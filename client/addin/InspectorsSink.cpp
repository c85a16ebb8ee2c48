// The add-in's sink on the host's Inspectors collection.
#include "InspectorsSink.h"

#include "HostInterfaces.h"
#include "server/EventTrampoline.h"

namespace parcelon {

InspectorsSink::InspectorsSink(OutlookAddin* addin, IDispatch* inspectors)
    : CollectionSink(IID_InspectorsEvents, inspectors), m_addin(addin) {}

const EventSinkEntry* InspectorsSink::EventTable() {
    static const EventSinkEntry table[] = {
        EventRow<InspectorsSink, DispEventSinkOf<1, InspectorsSink>, &InspectorsSink::OnNewInspector>(
            IID_InspectorsEvents, DISPID_NewInspector),
        {},
    };
    return table;
}

void InspectorsSink::OnNewInspector(IDispatch*) {}

}  // namespace parcelon
