// Opening the attachment dialog modally over a mail window.
#include "OpenAttachmentDialog.h"

#include "server/ServerModule.h"

namespace parcelon {

namespace {
constexpr int kAttachmentDialog = 201;
}

void OpenAttachmentDialog(HWND owner) {
    DialogBoxParamW(serverModule.instance(), MAKEINTRESOURCEW(kAttachmentDialog), owner, AttachmentDialogProc, 0);
}

}  // namespace parcelon
