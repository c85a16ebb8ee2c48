// What the dialog tells the user after OK when files were left out or renamed, or the action
// stopped.
#pragma once

#include <string>

#include "ReportWindow.h"
#include "client/compress/CompressAndAttach.h"

namespace parcelon {

// The message box text when the action stopped, or empty when it did not.
std::wstring DescribeAttachStop(const AttachReport& report);
// Whether files were left out or chosen items renamed, which the report window shows.
bool HasReportRows(const AttachReport& report);
// The report window's content: every file left out with its reason, then every chosen item
// packed under another name with that name.
ReportContent LeftOutReport(const AttachReport& report);

}  // namespace parcelon
