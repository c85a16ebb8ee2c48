// The add-in's sink on the host's Inspectors collection (InspectorsEvents): every new
// mail window arrives here.
#pragma once

#include "CollectionSink.h"

namespace parcelon {

class InspectorsSink final : public CollectionSink<InspectorsSink> {
public:
    InspectorsSink(OutlookAddin* addin, IDispatch* inspectors);
    static const EventSinkEntry* EventTable();

    // A new window. Handlers for mail windows come with the button; until then there is
    // nothing to do.
    void OnNewInspector(IDispatch* inspector);

private:
    OutlookAddin* m_addin;  // not counted: the add-in owns this sink
};

}  // namespace parcelon
