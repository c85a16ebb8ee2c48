// The add-in's sink on the host's Application events (ApplicationEvents_11): ItemSend,
// where a message is checked before it goes.
#pragma once

#include "CollectionSink.h"

namespace parcelon {

class ItemSendSink final : public CollectionSink<ItemSendSink> {
public:
    ItemSendSink(IDispatch* application, OutlookAddin* addin);
    static const EventSinkEntry* EventTable();

    // Never in the way: a message that is no mail item, a failing host call or a check
    // that cannot finish lets the send go on, with a line in the diagnostic log. The
    // policy value CheckOnSend = 0 turns the check off.
    void OnItemSend(IDispatch* item, VARIANT_BOOL* cancel);

private:
    OutlookAddin* m_addin;  // not counted: the add-in owns this sink
};

}  // namespace parcelon
