// Writes a message as a standard MIME .eml file with base64 attachments.
#pragma once

#include <string>
#include <vector>

namespace host {

struct MimeAttachment {
    std::string fileName;  // UTF-8
    std::vector<char> content;
};

std::string Base64(const std::vector<char>& data);
// The whole message text, CRLF line ends.
std::string ComposeMime(const std::string& subject, const std::string& body,
                        const std::vector<MimeAttachment>& attachments);

}  // namespace host
