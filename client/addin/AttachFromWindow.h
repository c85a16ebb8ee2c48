// What a click on the "Parcelon" button does, whichever button it was: the attachment
// dialog over the compose window, for the window's mail item.
#pragma once

#include "HostObject.h"

namespace parcelon {

// `inspector` answers _Inspector. Reads its current item and, when it is a mail item,
// makes it the current mail item and opens the dialog modally over the window. Failing
// host calls raise _com_error.
void OpenDialogForWindow(const HostObject& inspector);

}  // namespace parcelon
