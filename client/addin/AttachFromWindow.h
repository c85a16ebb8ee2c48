// What a click on the "Parcelon" button does, whichever button it was: the attachment
// dialog over the window the button is in, for the mail item being written there.
#pragma once

#include <unknwn.h>

#include "HostObject.h"
#include "MailItem.h"

namespace parcelon {

// `window` answers IOleWindow (a compose window, or the main window with an inline reply).
// When `item` is a mail item, makes it the current mail item and opens the dialog modally
// over the window. `addin` and the module are held until the dialog has ended, so that
// neither goes away under it when the host disconnects meanwhile. Failing host calls
// raise _com_error.
void OpenDialogOverWindow(IUnknown* addin, HostObject window, const MailItem& item);

// The same for a compose window (`inspector` answers _Inspector) and its current item.
void OpenDialogForInspector(IUnknown* addin, HostObject inspector);

}  // namespace parcelon
