// What the send choice window says: the archive's (or the message's) size against the
// account's limit, or the refused file types it holds, and the choices that help.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SendChoiceWindow.h"

namespace parcelon {

// "48.2 MB": one decimal, none when it is whole; under 0.5 MB in whole KB ("300 KB"),
// where tenths of a megabyte would read "0 MB". Rounded up (an archive) or down (a limit)
// so that an archive that passes never looks as large as the limit.
std::wstring ByteSizeText(uint64_t bytes, bool roundUp);

// `names` of the entries, as stored; the first 20 are listed, then how many more.
SendQuestion BlockedTypesQuestion(const std::vector<std::string>& names);

// `parts` messages would carry it; `tooLarge` names the files that alone pass the limit,
// when there are any (then it cannot be sent in parts). Without `offerAnyway` (an
// administrator's policy) there is no "Attach anyway", and the text says why.
SendQuestion SizeLimitQuestion(uint64_t archiveBytes, uint64_t limitBytes, size_t parts,
                               const std::vector<std::string>& tooLarge, bool offerAnyway = true);

// Asked when a message is sent: its file attachments and body together (`messageBytes`)
// pass the account's limit; packing them may bring it under.
SendQuestion MessageSizeQuestion(uint64_t messageBytes, uint64_t limitBytes);

// Asked when a message is sent: the `names` of its attachments of refused types.
SendQuestion BlockedAttachmentsQuestion(const std::vector<std::string>& names);

}  // namespace parcelon
