// The check of a message when it is sent: attachments of types mail systems refuse, and
// files that with the body pass the sending account's limit, asked about before the
// message goes, so that it is not refused after it has left the Outbox.
#pragma once

#include <windows.h>

#include "client/compress/PackOnSend.h"

namespace parcelon {

// Asks `ask` when there is something to ask; nothing is shown for a message that will go
// through. Failing host calls raise _com_error: the caller lets the send go on.
SendVerdict CheckMessageOnSend(const MailItem& mail, HWND owner, const AskUser& ask);

}  // namespace parcelon
