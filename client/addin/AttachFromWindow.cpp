// The attachment dialog opened for a compose window.
#include "AttachFromWindow.h"

#include <oleidl.h>

#include "CurrentMailItem.h"
#include "HostInterfaces.h"
#include "client/dialog/AttachmentDialog.h"
#include "server/ServerModule.h"

namespace parcelon {

void OpenDialogForWindow(const HostObject& inspector) {
    ComPtr<IOleWindow> window;
    inspector.dispatch()->QueryInterface(IID_IOleWindow, window.putVoid());
    MailItem item(HostObject::Query(inspector.Get(L"CurrentItem"), IID_OutlookMailItem));
    if (!item) return;
    currentMailItem = item;  // the new reference is taken before the old one goes
    HWND owner = nullptr;
    if (!window || FAILED(window->GetWindow(&owner))) owner = nullptr;
    RunAttachmentDialog(serverModule.instance(), owner, item);
}

}  // namespace parcelon
