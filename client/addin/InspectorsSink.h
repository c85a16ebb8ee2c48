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

    // A handler whose window closed, holding nothing of the host any more, leaves the
    // handlers. Its Close call is still on the stack, so it is destroyed later: at the
    // next new window or the next close, once no call of it is running.
    void Retire(InspectorHandler* handler);

    // The handlers of the open windows, in creation order.
    const std::vector<std::shared_ptr<InspectorHandler>>& handlers() const { return m_handlers; }

private:
    void DestroyIdleRetired();

    OutlookAddin* m_addin;  // not counted: the add-in owns this sink
    std::vector<std::shared_ptr<InspectorHandler>> m_handlers;
    std::vector<std::shared_ptr<InspectorHandler>> m_retired;
};

}  // namespace parcelon
