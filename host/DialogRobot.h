// The robot of parcelon-host's compose window: it works the attachment dialog as a user
// does, from a thread of its own while the dialog runs modally on the window's thread.
#pragma once

#include <windows.h>

#include "ComposeSession.h"

namespace host {

// The first top-level window owned by `owner` that `matches`, or null.
HWND FindOwnedWindow(HWND owner, bool (*matches)(HWND));
// A visible dialog window (a dialog box or a message box) owned by `owner`, or null.
HWND FindOwnedDialog(HWND owner);

// Prints the send choice window's question and its choices and presses the answer's
// button (split, anyway, pack, leave-out or back; Back when it is not offered); true when
// that was Back.
bool AnswerQuestion(HWND window, const std::string& answer);

// Drops the paths on "Attached Files:", sets the options and the archive name, presses
// OK and answers the report box, printing what it did and what the dialog reported.
// True when the dialog closed after OK and nothing stopped the action.
bool DriveAttachmentDialog(HWND dialog, const ComposeOptions& options);

}  // namespace host
