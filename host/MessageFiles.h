// The messages parcelon-host ends with, written as .eml files: MESSAGE.eml for the first,
// MESSAGE-2.eml, ... for the next, each attachment listed on standard output.
#pragma once

#include <string>

#include "standin/MailObjects.h"

namespace host {

// MESSAGE.eml for index 0, MESSAGE-2.eml for 1, ...
std::string MessagePath(const std::string& first, size_t index);

bool WriteMessage(standin::MailItem& mail, const std::string& path);

// "attachment: NAME (N bytes)", and the entries of an archive.
void PrintAttachment(const standin::Attachment& attachment);

// The copies the add-in made of `mail` (shown for the user to send), as MESSAGE-2.eml, ...
bool WriteCopies(standin::MailItem& mail, const std::string& first, size_t& index);

// The message and the copies the add-in made of it, none sent, from `first` on; gives
// how many were written through `count` when asked.
bool WriteMessages(standin::MailItem& mail, const std::string& first, size_t firstIndex = 0, size_t* count = nullptr);

}  // namespace host
