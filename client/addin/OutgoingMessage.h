// What a message being sent carries, as the check on send counts it: the files attached
// to it by value, and the rest (body, pictures of the body, embedded items), which is
// neither counted as files nor ever touched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MailItem.h"

namespace parcelon {

struct OutgoingFile {
    HostObject attachment;  // _Attachment
    std::string name;       // FileName, UTF-8
    uint64_t bytes = 0;
};

struct OutgoingMessage {
    std::vector<OutgoingFile> files;  // in the message's order
    uint64_t fileBytes = 0;
    uint64_t otherBytes = 0;  // the body, pictures of the body and embedded items

    uint64_t TotalBytes() const { return fileBytes + otherBytes; }
};

// Reads the attachments and the body of `mail`. A failing host call raises _com_error,
// except for the content id, which a file has none of.
OutgoingMessage ReadOutgoingMessage(const MailItem& mail);

}  // namespace parcelon
