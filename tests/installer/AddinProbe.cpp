// addin-probe: creates the add-in as Outlook does, through COM by its ProgID, connects it to
// the Outlook stand-in and disconnects it again. Prints the DLL that served it and what the
// stand-in saw; exits with 0 when the add-in connected to both collections and let go of them.
#include <objbase.h>
#include <windows.h>
#include <cstdio>

#include "client/addin/AddinIds.h"
#include "client/addin/Extensibility.h"
#include "common/ComPtr.h"
#include "common/TextConversion.h"
#include "standin/ApplicationObjects.h"

using namespace parcelon;

namespace {
int Fail(const char* what, HRESULT hr) {
    std::printf("%s: 0x%08lX\n", what, static_cast<unsigned long>(hr));
    return 2;
}

// The file of the module whose code serves `object`.
std::wstring ServerOf(IUnknown* object) {
    HMODULE module = nullptr;
    void* code = *reinterpret_cast<void**>(*reinterpret_cast<void**>(object));  // first slot of its table
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(code), &module))
        return L"(unknown)";
    wchar_t path[32768] = {};
    GetModuleFileNameW(module, path, 32768);
    return path;
}

int Probe() {
    CLSID classId = {};
    HRESULT hr = CLSIDFromProgID(kVersionIndependentProgId, &classId);
    if (FAILED(hr)) return Fail("CLSIDFromProgID", hr);
    ComPtr<IDTExtensibility2> connection;
    hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2, connection.putVoid());
    if (FAILED(hr)) return Fail("CoCreateInstance", hr);
    std::printf("server %s\n", Utf8FromWide(ServerOf(connection.get())).c_str());

    auto* app = new standin::Application;
    hr = connection->OnConnection(app->dispatch(), 0, nullptr, nullptr);
    size_t explorers = app->explorers().connections(), inspectors = app->inspectors().connections();
    std::printf("OnConnection 0x%08lX explorers %u inspectors %u\n", static_cast<unsigned long>(hr),
                static_cast<unsigned>(explorers), static_cast<unsigned>(inspectors));
    bool connected = hr == S_OK && explorers == 1 && inspectors == 1;
    hr = connection->OnDisconnection(0, nullptr);
    bool released = hr == S_OK && app->explorers().connections() == 0 && app->inspectors().connections() == 0;
    std::printf("OnDisconnection 0x%08lX %s\n", static_cast<unsigned long>(hr), released ? "released" : "kept");
    app->Release();
    return connected && released ? 0 : 1;
}
}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    int code = Probe();
    CoUninitialize();
    std::fflush(stdout);
    return code;
}
