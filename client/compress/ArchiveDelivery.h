// The last step of packing: a finished archive is checked against what the message can
// carry before it goes on: types mail systems refuse (left out when the user says so) and
// the account's size limit (sent in several messages when the user says so), each as an
// administrator's policies allow. Whatever happens, the archive and its parts are gone
// afterwards.
#pragma once

#include <functional>
#include <string>

#include "CompressAndAttach.h"
#include "client/dialog/SendChoiceWindow.h"

namespace parcelon {

// Puts a question to the user: the send choice window in the add-in.
using AskUser = std::function<SendChoice(const SendQuestion&)>;

// Attaches the archive at report.archivePath to `mail` (through `attachments`), or its
// parts to it and to copies of it. "Back" ends as a cancel does: nothing attached. Host
// failures are reported and recorded in `report`; never throws.
void DeliverArchive(const MailItem& mail, const Attachments& attachments, const std::string& archiveName,
                    const AskUser& ask, AttachReport& report);

// The size step alone, for an archive whose types were asked about already: attached
// whole, or in parts on this message and on copies of it (report.inParts), or nothing
// on "Back" (report.cancelled). The archive and its parts are gone afterwards.
void DeliverWithinLimit(const MailItem& mail, const Attachments& attachments, const std::string& archiveName,
                        const AskUser& ask, AttachReport& report);

}  // namespace parcelon
