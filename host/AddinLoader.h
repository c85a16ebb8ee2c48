// Loading add-ins the way Outlook does: every add-in under the user's Outlook Addins key
// whose LoadBehavior is 3 is created from its ProgID through COM and connected to the
// host's Application.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

#include "client/addin/Extensibility.h"
#include "common/ComPtr.h"
#include "standin/AddinRibbons.h"

namespace host {

// Runs DllRegisterServer of the DLL, as regsvr32 does; a message on failure.
bool RegisterServerDll(const std::wstring& path, std::string& message);

// The file behind the registered Parcelon class in this process's view of the registry,
// or empty when none is registered or the file is gone.
std::wstring RegisteredParcelonDll();

// Parcelon.dll of this program's own build (server\ beside host\).
std::wstring OwnBuildParcelonDll();

struct LoadedAddin {
    std::wstring progId;
    parcelon::ComPtr<parcelon::IDTExtensibility2> connection;
    // From CoCreateInstance to the return of OnConnection: the add-in's start-up, which
    // Outlook holds against it.
    double startupMilliseconds = 0;
};

class AddinLoader {
public:
    // Creates and connects every add-in to load; what happens is printed. Each connected
    // add-in is offered to `ribbons` before its start-up completes.
    void LoadAll(IDispatch* application, standin::AddinRibbons& ribbons);
    // OnBeginShutdown and OnDisconnection, then the add-ins are released.
    void UnloadAll();
    // OnBeginShutdown alone, as Outlook since 2010 ends: no OnDisconnection follows, and
    // the add-ins are never released.
    void BeginShutdownAll();
    const std::vector<LoadedAddin>& loaded() const { return loaded_; }
    bool Loaded(const std::wstring& progId) const;

private:
    std::vector<LoadedAddin> loaded_;
};

}  // namespace host
