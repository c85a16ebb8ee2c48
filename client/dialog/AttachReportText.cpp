// What the dialog tells the user after OK when files were left out or renamed, or the action
// stopped.
#include "AttachReportText.h"

#include "client/resources/ResourceIds.h"
#include "common/TextConversion.h"

namespace parcelon {

namespace {
std::wstring Count(size_t n, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(n) + L" " + (n == 1 ? one : many);
}

// The user's own temporary folder: said, since a packed folder may be confidential.
std::wstring ArchivePlace(const AttachReport& report) {
    if (report.archivePath.empty()) return {};
    std::wstring path = WideFromUtf8(report.archivePath);
    return L"The archive was made in " + path.substr(0, path.rfind(L'\\') + 1) + L" and deleted again.";
}
}  // namespace

std::wstring DescribeAttachStop(const AttachReport& report) {
    if (report.failure.empty()) return {};
    std::wstring text = L"Attaching stopped: " + WideFromUtf8(report.failure) + L".\n";
    if (report.attachedFiles == 0 && !report.archiveAttached)
        text += L"Nothing was attached to the message.";
    else
        text += L"Only " + Count(report.attachedFiles, L"file was", L"files were") + L" attached before it stopped.";
    std::wstring place = ArchivePlace(report);
    return place.empty() ? text : text + L"\n\n" + place;
}

bool HasReportRows(const AttachReport& report) { return !report.leftOut.empty() || !report.renamed.empty(); }

ReportContent LeftOutReport(const AttachReport& report) {
    ReportContent content;
    std::wstring& summary = content.summary;
    if (!report.leftOut.empty()) {
        size_t total = report.leftOut.size() + report.packedFiles + report.attachedFiles;
        summary = std::to_wstring(report.leftOut.size()) + L" of " + Count(total, L"file was", L"files were") +
                  L" left out";
    }
    if (!report.renamed.empty())
        summary += (summary.empty() ? L"" : L"; ") +
                   Count(report.renamed.size(), L"chosen item was", L"chosen items were") +
                   L" renamed in the archive, since an item chosen before had the same name";
    summary += L":";
    content.columns = {L"File", L"Reason"};
    for (const auto& file : report.leftOut)
        content.rows.push_back({WideFromUtf8(file.path), WideFromUtf8(file.reason)});
    for (const auto& row : report.renamed)
        content.rows.push_back({WideFromUtf8(row.path), L"packed as \"" + WideFromUtf8(row.name) + L"\""});
    content.buttons = {{IDC_REPORT_COPY, L"&Copy list"}, {IDOK, L"OK"}};
    return content;
}

}  // namespace parcelon
