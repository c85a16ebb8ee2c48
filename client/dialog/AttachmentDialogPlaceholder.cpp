// TEMPORARY: the procedure of the placeholder dialog 201 until the attachment dialog is
// merged, which replaces this file and AttachmentDialogPlaceholder.rc.
#include "client/addin/OpenAttachmentDialog.h"

namespace parcelon {

INT_PTR CALLBACK AttachmentDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace parcelon
