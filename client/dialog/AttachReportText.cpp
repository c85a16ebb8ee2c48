// What the dialog tells the user after OK when files were left out or the action stopped.
#include "AttachReportText.h"

#include "common/TextConversion.h"

namespace parcelon {

namespace {
constexpr size_t kListedFiles = 20;

std::wstring Count(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

std::wstring LeftOutList(const AttachReport& report) {
    std::wstring text;
    for (size_t i = 0; i < report.leftOut.size() && i < kListedFiles; ++i)
        text += L"\n" + WideFromUtf8(report.leftOut[i].path) + L": " + WideFromUtf8(report.leftOut[i].reason);
    if (report.leftOut.size() > kListedFiles)
        text += L"\nand " + std::to_wstring(report.leftOut.size() - kListedFiles) + L" more";
    return text;
}

std::wstring Outcome(const AttachReport& report) {
    if (!report.failure.empty()) {
        std::wstring text = L"Attaching stopped: " + WideFromUtf8(report.failure) + L".\n";
        if (report.attachedFiles == 0 && !report.archiveAttached)
            return text + L"Nothing was attached to the message.";
        return text + L"Only " + Count(report.attachedFiles, L"file was", L"files were") +
               L" attached before it stopped.";
    }
    if (report.leftOut.empty()) return {};
    size_t total = report.leftOut.size() + report.packedFiles + report.attachedFiles;
    return std::to_wstring(report.leftOut.size()) + L" of " + Count(total, L"file was", L"files were") +
           L" left out:\n" + LeftOutList(report);
}
}  // namespace

std::wstring DescribeAttachReport(const AttachReport& report) {
    std::wstring text = Outcome(report);
    // The user's own temporary folder: said, since a packed folder may be confidential.
    if (!text.empty() && !report.archivePath.empty()) {
        std::wstring path = WideFromUtf8(report.archivePath);
        text += L"\n\nThe archive was made in " + path.substr(0, path.rfind(L'\\') + 1) + L" and deleted again.";
    }
    return text;
}

}  // namespace parcelon
