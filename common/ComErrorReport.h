// Writes the details of a failed automation call to the debugger output.
#pragma once

#include <comdef.h>
#include <string>

namespace parcelon {

// The report line, cut to 2047 characters.
std::string FormatComErrorReport(const _com_error& error);
// Writes the report line and a line feed with OutputDebugStringA.
void ReportComError(const _com_error& error);

}  // namespace parcelon
