// Module entry point of Parcelon.dll: the COM server module lives from process attach
// to process detach; the static objects are built before and destroyed after it.
#include <windows.h>

#include "ClassTable.h"
#include "client/addin/AddinIds.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        parcelon::serverModule.Init(instance, parcelon::classTable, parcelon::LIBID_PARCELONLib);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        parcelon::serverModule.Term();
    }
    return TRUE;
}
