// Opening the attachment dialog (dialog resource 201) modally over a mail window.
#pragma once

#include <windows.h>

namespace parcelon {

INT_PTR CALLBACK AttachmentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Returns when the dialog has ended; `owner` may be none.
void OpenAttachmentDialog(HWND owner);

}  // namespace parcelon
