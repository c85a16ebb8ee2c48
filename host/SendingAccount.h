// The account parcelon-host's message goes out through: Exchange, whose store names the
// server's size limit, or IMAP, where Outlook's own MaximumAttachmentSize applies.
#pragma once

#include <string>

#include "standin/ApplicationObjects.h"
#include "standin/MailObjects.h"

namespace host {

struct AccountOptions {
    long type = standin::olExchange;
    long sendLimitKb = 0;  // PR_MAX_SUBMIT_MESSAGE_SIZE of the sending store; 0: not set
};

// "exchange" or "imap"; false for any other.
bool ParseAccountType(const std::string& text, long& type);

// Gives `mail` its application and sending account, and makes Attachments.Add refuse
// what Outlook would refuse for that account.
void SetUpSendingAccount(standin::Application& app, standin::MailItem& mail, const AccountOptions& options);

}  // namespace host
