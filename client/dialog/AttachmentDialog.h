// The attachment dialog: browse folders, collect files and folders, set the options, and
// on OK pack or attach them to the mail item of the window that opened it.
#pragma once

#include <windows.h>

#include "client/addin/MailItem.h"

namespace parcelon {

// Runs dialog 201 from `resources` modally over `owner` for `mailItem` (which may be
// empty: OK then attaches nothing). Returns 1 after OK and after Cancel alike.
INT_PTR RunAttachmentDialog(HINSTANCE resources, HWND owner, const MailItem& mailItem);

// Ends every open attachment dialog as by Cancel, for a host that disconnects or shuts
// down while one is on screen: a packing is stopped and nothing is attached.
void EndAttachmentDialogs();

INT_PTR CALLBACK AttachmentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Clear and set the disabled bit of a window's style directly.
void EnableControl(HWND window);
void DisableControl(HWND window);
// The top-left corner that centres the window on the work area of the monitor holding
// its owner (or itself), and keeps its top-left corner on that work area.
POINT CentreOnScreen(HWND window);

}  // namespace parcelon
