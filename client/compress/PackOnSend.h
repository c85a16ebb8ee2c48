// "Pack and send": the files a message carries by value are packed into one archive that
// goes on the message in their place, checked against the account's limit as the
// dialog's archive is; the message is as it was whenever that does not come about.
#pragma once

#include <windows.h>

#include "ArchiveDelivery.h"
#include "client/addin/OutgoingMessage.h"

namespace parcelon {

enum class SendVerdict { GoOn, Cancel };

// "attachments.zip", or the single file's name with ".zip".
std::string ArchiveNameOnSend(const std::vector<OutgoingFile>& files);

// Saves the files into a working folder, packs them on the workers behind a progress
// window over `owner` (Cancel: the message stays as it was and the send is cancelled),
// takes them off and attaches the archive. When it still passes the limit, the split
// question follows: in parts, this send is cancelled so that the user sees the copies.
// "Back" there puts the files back and cancels the send. A failure puts them back and
// lets the send go on. Failing host calls while saving raise _com_error; later ones are
// reported.
SendVerdict PackAndSend(const MailItem& mail, const OutgoingMessage& message, HWND owner, const AskUser& ask);

}  // namespace parcelon
