// Writes a message as a standard MIME .eml file with base64 attachments.
#pragma once

#include <string>
#include <vector>

namespace host {

struct MimeAttachment {
    std::string fileName;  // UTF-8
    const std::vector<char>* content;  // not copied: attachments can be large
};

std::string Base64(const std::vector<char>& data);
// Appends the base64 lines of `data` to `out` in place.
void AppendBase64(std::string& out, const std::vector<char>& data);
// The whole message text, CRLF line ends.
std::string ComposeMime(const std::string& to, const std::string& subject, const std::string& body,
                        const std::vector<MimeAttachment>& attachments);

}  // namespace host
