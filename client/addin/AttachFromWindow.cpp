// The attachment dialog opened for a window of the host.
#include "AttachFromWindow.h"

#include <oleidl.h>

#include "CurrentMailItem.h"
#include "HostInterfaces.h"
#include "client/dialog/AttachmentDialog.h"
#include "server/ModuleLock.h"

namespace parcelon {

void OpenDialogOverWindow(IUnknown* addin, HostObject window, const MailItem& item) {
    if (!item) return;
    // The dialog runs a message loop of its own, in which the host may disconnect and
    // release the add-in; the code below it must stay loaded and its object alive.
    ModuleLock moduleHeld;
    ComPtr<IUnknown> addinHeld(addin);
    ComPtr<IOleWindow> oleWindow;
    if (window) window.dispatch()->QueryInterface(IID_IOleWindow, oleWindow.putVoid());
    currentMailItem = item;  // the new reference is taken before the old one goes
    HWND owner = nullptr;
    if (!oleWindow || FAILED(oleWindow->GetWindow(&owner))) owner = nullptr;
    RunAttachmentDialog(serverModule.instance(), owner, item);
}

void OpenDialogForInspector(IUnknown* addin, HostObject inspector) {
    MailItem item(HostObject::Query(inspector.Get(L"CurrentItem"), IID_OutlookMailItem));
    OpenDialogOverWindow(addin, std::move(inspector), item);
}

}  // namespace parcelon
