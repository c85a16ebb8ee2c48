// How large a message may be on its way out: the sending server's limit (or the
// administrator's SendLimitMB policy) and Outlook's own limit on attachments, read through
// the object model and the registry. Every source can be missing or fail on a given
// Outlook; each failure falls back to the next source and is written to the debugger output.
#pragma once

#include <cstdint>
#include <string>

#include "MailItem.h"

namespace parcelon {

// Outlook's own limit when neither the policy nor the preferences name one.
constexpr unsigned long kOutlookDefaultAttachmentKb = 20480;

struct MessageSizeLimit {
    static constexpr uint64_t kNone = UINT64_MAX;
    // The message as sent, attachments grown by the transfer encoding; from the server, or
    // the policy's where that is lower or the server's cannot be read.
    uint64_t serverBytes = kNone;
    // The attachments' own sizes together; Outlook's own, for accounts other than Exchange.
    uint64_t attachmentBytes = kNone;
    // What the message carries already, counted against both.
    uint64_t existingAttachmentBytes = 0;

    // The largest archive that still fits beside what the message carries; kNone when
    // nothing limits it, 0 when the message is full already.
    uint64_t LargestArchive() const;
    bool Admits(uint64_t archiveBytes) const { return archiveBytes <= LargestArchive(); }
    // The tighter limit as the user is told it (bytes of one message); kNone without one.
    uint64_t TighterLimit() const;
};

// Base64 in lines of 76 characters with CRLF: 4/3 and 2 bytes in 78, about 37% more.
uint64_t TransferSize(uint64_t bytes);

// Reads both limits for `mail` in that order; never throws.
MessageSizeLimit ReadMessageSizeLimit(const MailItem& mail);

// Outlook's MaximumAttachmentSize in KB for the Office version (such as "16.0"): the
// policy key, else the preferences key, else kOutlookDefaultAttachmentKb; 0 means none.
unsigned long OutlookAttachmentLimitKb(const std::string& officeVersion);

}  // namespace parcelon
