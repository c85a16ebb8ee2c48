// What the dialog tells the user after OK when files were left out or the action stopped.
#pragma once

#include <string>

#include "ReportWindow.h"
#include "client/compress/CompressAndAttach.h"

namespace parcelon {

// The message box text when the action stopped, or empty when it did not.
std::wstring DescribeAttachStop(const AttachReport& report);
// The report window's content for the files left out: every one with its reason.
ReportContent LeftOutReport(const AttachReport& report);

}  // namespace parcelon
