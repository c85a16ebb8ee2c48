// The Send button of parcelon-host's compose window: files attached beforehand as
// Outlook's own Attach File does, then ItemSend raised as Outlook raises it, with a robot
// answering the questions the add-in asks meanwhile.
#pragma once

#include <windows.h>

#include "ComposeSession.h"

namespace host {

// Attaches options.attachFiles and options.inlinePictures to `mail` through Attachments.Add
// by value; false (and said) when one cannot be attached.
bool AttachAsOutlookDoes(standin::MailItem& mail, const ComposeOptions& options);

// Raises ItemSend for `mail` from the window `frame` (the owner of the questions) and
// prints how it ended and how long the add-ins took; true when the send went on.
bool PressSend(standin::Application& app, standin::MailItem& mail, HWND frame, const ComposeOptions& options);

}  // namespace host
