// Module entry point of Parcelon.dll: the COM server module lives from process attach
// to process detach; the static objects are built before and destroyed after it.
#include <windows.h>

#include "ClassTable.h"
#include "client/addin/AddinIds.h"
#include "client/addin/CurrentMailItem.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        parcelon::serverModule.Init(instance, parcelon::classTable, parcelon::LIBID_PARCELONLib);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        // The process is ending (a host that exits without OnDisconnection, as Outlook does
        // since 2010): under the loader lock, with other modules torn down or going, nothing
        // is released and no other module is called. The system takes back the memory.
        if (reserved) {
            parcelon::AbandonHostObjects();
            return TRUE;
        }
        parcelon::serverModule.Term();
    }
    return TRUE;
}
