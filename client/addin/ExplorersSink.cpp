// The add-in's sink on the host's Explorers collection.
#include "ExplorersSink.h"

#include "HostInterfaces.h"
#include "server/EventTrampoline.h"

namespace parcelon {

ExplorersSink::ExplorersSink(IDispatch* explorers, OutlookAddin* addin)
    : CollectionSink(IID_ExplorersEvents, explorers), m_addin(addin) {}

const EventSinkEntry* ExplorersSink::EventTable() {
    static const EventSinkEntry table[] = {
        EventRow<ExplorersSink, DispEventSinkOf<1, ExplorersSink>, &ExplorersSink::OnNewExplorer>(
            IID_ExplorersEvents, DISPID_NewExplorer),
        {},
    };
    return table;
}

void ExplorersSink::OnNewExplorer(IDispatch*) {}

}  // namespace parcelon
