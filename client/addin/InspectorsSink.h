// The add-in's sink on the host's Inspectors collection (InspectorsEvents): every new
// mail window arrives here, and those that qualify get a handler of their own.
#pragma once

#include <memory>
#include <vector>

#include "CollectionSink.h"
#include "InspectorHandler.h"

namespace parcelon {

class InspectorsSink final : public CollectionSink<InspectorsSink> {
public:
    InspectorsSink(OutlookAddin* addin, IDispatch* inspectors);
    // Destroys the handlers front to back, then lets the collection go.
    ~InspectorsSink();
    static const EventSinkEntry* EventTable();

    // A window whose item is an unread, unsent mail item (a message being written) gets
    // a handler connected to its Activate and Close events.
    void OnNewInspector(IDispatch* inspector);

    const std::vector<std::unique_ptr<InspectorHandler>>& handlers() const { return m_handlers; }

private:
    OutlookAddin* m_addin;  // not counted: the add-in owns this sink
    std::vector<std::unique_ptr<InspectorHandler>> m_handlers;  // in creation order, never shrinks
};

}  // namespace parcelon
