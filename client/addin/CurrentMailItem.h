// The mail item of the window whose button was clicked last: set by each click, released
// when the host shuts down or disconnects the add-in, else at module unload.
#pragma once

#include "MailItem.h"

namespace parcelon {

extern MailItem currentMailItem;

// For a module unloaded because the process ends: the process-wide references to host
// objects are let go of unreleased, since the host's objects may be gone by then.
void AbandonHostObjects() noexcept;

}  // namespace parcelon
