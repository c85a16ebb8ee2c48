// Finding Outlook from another process: the running instance, else one started through
// its ProgID. Everything after goes through IDispatch by name.
#pragma once

#include <windows.h>

#include "client/addin/HostObject.h"

namespace parcelon {

enum class OutlookFound { Running, Started, NotInstalled, Failed };

struct OutlookConnection {
    OutlookFound how = OutlookFound::Failed;
    HostObject application;  // Outlook's Application when found or started
    HRESULT error = S_OK;     // why not, otherwise
};

OutlookConnection ConnectToOutlook();

}  // namespace parcelon
