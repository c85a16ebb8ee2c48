// What the dialog tells the user after OK when files were left out or the action stopped.
#pragma once

#include <string>

#include "client/compress/CompressAndAttach.h"

namespace parcelon {

// The message box text, or empty when everything was packed or attached.
std::wstring DescribeAttachReport(const AttachReport& report);

}  // namespace parcelon
