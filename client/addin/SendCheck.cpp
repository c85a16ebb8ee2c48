// The check of a message when it is sent.
#include "SendCheck.h"

#include "MessageSizeLimit.h"
#include "OutgoingMessage.h"
#include "client/compress/BlockedTypes.h"
#include "client/dialog/SendQuestionText.h"

namespace parcelon {

SendVerdict CheckMessageOnSend(const MailItem& mail, HWND owner, const AskUser& ask) {
    OutgoingMessage message = ReadOutgoingMessage(mail);
    std::vector<std::string> blocked;
    for (const OutgoingFile& file : message.files)
        if (IsBlockedType(file.name)) blocked.push_back(file.name);
    if (!blocked.empty() && ask(BlockedAttachmentsQuestion(blocked)) != SendChoice::Anyway) return SendVerdict::Cancel;

    // The body and what is not a file count as the archive's neighbours do in the dialog.
    MessageSizeLimit limit = ReadMessageSizeLimit(mail);
    limit.existingAttachmentBytes = message.otherBytes;
    if (message.files.empty() || limit.Admits(message.fileBytes)) return SendVerdict::GoOn;
    switch (ask(MessageSizeQuestion(message.TotalBytes(), limit.TighterLimit()))) {
        case SendChoice::Pack: return PackAndSend(mail, message, owner, ask);
        case SendChoice::Anyway: return SendVerdict::GoOn;
        default: return SendVerdict::Cancel;
    }
}

}  // namespace parcelon
