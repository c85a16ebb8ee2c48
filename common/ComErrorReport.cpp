// Writes the details of a failed automation call to the debugger output.
#include "ComErrorReport.h"

#include <cstdio>

#include "ComPtr.h"
#include "TextConversion.h"
#include "UniqueResource.h"

namespace parcelon {

namespace {
// Source or description of the error information as UTF-8 (a description often names a
// file), or none when it has none.
template <typename Getter>
bool ReadErrorText(IErrorInfo* info, Getter get, std::string& out) {
    if (!info) return false;
    UniqueBstr text;
    if (FAILED((info->*get)(text.put())) || !text) return false;
    out = Utf8FromWide(text.get(), static_cast<int>(SysStringLen(text.get())));
    return true;
}

const char* OrNull(bool present, const std::string& text) { return present ? text.c_str() : "(null)"; }
}  // namespace

std::string FormatComErrorReport(const _com_error& error) {
    ComPtr<IErrorInfo> info = ComPtr<IErrorInfo>::Attach(error.ErrorInfo());
    std::string source, description;
    bool haveSource = ReadErrorText(info.get(), &IErrorInfo::GetSource, source);
    bool haveDescription = ReadErrorText(info.get(), &IErrorInfo::GetDescription, description);
    const char* message = error.ErrorMessage();

    char buffer[2048] = {};
    snprintf(buffer, sizeof buffer,
             "_com_error exception - Source: %s, Error: %ld, Description: %s, ErrorMessage: %s",
             OrNull(haveSource, source), static_cast<long>(error.Error()),
             OrNull(haveDescription, description), message ? message : "(null)");
    return buffer;
}

void ReportComError(const _com_error& error) {
    OutputDebugStringA(FormatComErrorReport(error).c_str());
    OutputDebugStringA("\n");
}

}  // namespace parcelon
