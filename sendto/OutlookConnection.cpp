// Finding Outlook from another process.
#include "OutlookConnection.h"

#include "client/addin/HostInterfaces.h"
#include "common/ComPtr.h"

namespace parcelon {

namespace {
constexpr const wchar_t* kOutlookProgId = L"Outlook.Application";
// Outlook registers its Application as the active object of this CLSID.
constexpr CLSID kOutlookApplicationClsid = {0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

OutlookConnection Connected(OutlookFound how, IUnknown* object) {
    OutlookConnection connection;
    try {
        connection.application = HostObject(object, IID_OutlookApplication);
        connection.how = how;
    } catch (const _com_error& error) {
        connection.error = error.Error();
    }
    return connection;
}
}  // namespace

OutlookConnection ConnectToOutlook() {
    // CLSIDFromProgID clears what it was given when it fails.
    CLSID registeredClsid = {};
    bool registered = SUCCEEDED(CLSIDFromProgID(kOutlookProgId, &registeredClsid));
    CLSID clsid = registered ? registeredClsid : kOutlookApplicationClsid;
    ComPtr<IUnknown> running;
    if (SUCCEEDED(GetActiveObject(clsid, nullptr, running.put())) && running)
        return Connected(OutlookFound::Running, running.get());
    OutlookConnection connection;
    if (!registered) {
        connection.how = OutlookFound::NotInstalled;
        connection.error = REGDB_E_CLASSNOTREG;
        return connection;
    }
    ComPtr<IUnknown> started;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, started.putVoid());
    if (SUCCEEDED(hr) && started) return Connected(OutlookFound::Started, started.get());
    connection.how = hr == REGDB_E_CLASSNOTREG ? OutlookFound::NotInstalled : OutlookFound::Failed;
    connection.error = FAILED(hr) ? hr : E_NOINTERFACE;
    return connection;
}

}  // namespace parcelon
