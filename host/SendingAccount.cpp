// The account parcelon-host's message goes out through.
#include "SendingAccount.h"

#include "client/addin/DetectVersion.h"
#include "client/addin/MessageSizeLimit.h"
#include "common/TextConversion.h"

namespace host {

bool ParseAccountType(const std::string& text, long& type) {
    if (text == "exchange") type = standin::olExchange;
    else if (text == "imap") type = standin::olImap;
    else return false;
    return true;
}

void SetUpSendingAccount(standin::Application& app, standin::MailItem& mail, const AccountOptions& options) {
    auto* account = new standin::Account(options.type);
    // An Exchange account delivers to the default store; an IMAP account to a store of its own.
    standin::Store* own = options.type == standin::olExchange ? nullptr : new standin::Store;
    standin::Store* store = own ? own : &app.session().defaultStore();
    account->SetDeliveryStore(store);
    if (own) own->Release();
    if (options.sendLimitKb != 0) store->SetMaxSubmitKb(options.sendLimitKb);
    mail.SetApplication(app.dispatch());
    mail.SetAccount(account);
    account->Release();

    // Outlook refuses at once what passes the server's limit (Exchange) or its own.
    if (options.type == standin::olExchange) {
        mail.attachments().maximumAttachmentSizeKb = options.sendLimitKb > 0 ? options.sendLimitKb : 0;
    } else {
        std::string major = std::to_string(parcelon::MajorVersionOf(parcelon::Utf8FromWide(app.version)));
        mail.attachments().maximumAttachmentSizeKb = parcelon::OutlookAttachmentLimitKb(major + ".0");
    }
}

}  // namespace host
