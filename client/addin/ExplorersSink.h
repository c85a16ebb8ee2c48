// The add-in's sink on the host's Explorers collection (ExplorersEvents).
#pragma once

#include "CollectionSink.h"

namespace parcelon {

class ExplorersSink final : public CollectionSink<ExplorersSink> {
public:
    ExplorersSink(IDispatch* explorers, OutlookAddin* addin);
    static const EventSinkEntry* EventTable();

    // The add-in has nothing to do in a new main window.
    void OnNewExplorer(IDispatch* explorer);

private:
    OutlookAddin* m_addin;  // not counted: the add-in owns this sink
};

}  // namespace parcelon
