// The mail item of the window whose button was clicked last: set by each click, read by
// the attachment dialog on OK, released at module unload.
#pragma once

#include "MailItem.h"

namespace parcelon {

extern MailItem currentMailItem;

}  // namespace parcelon
