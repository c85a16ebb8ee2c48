// A resizable Parcelon window that reports rows (a file and what happened to it, say)
// under one line of text, with the buttons its caller gives it. It opens sized to its rows
// (twenty at most; the list scrolls for more) and fitted to the work area of its owner's
// screen.
#pragma once

#include <string>
#include <vector>
#include <windows.h>

namespace parcelon {

struct ReportButton {
    int id;            // IDC_REPORT_COPY copies the rows and leaves the window open
    std::wstring text;
};

struct ReportContent {
    std::wstring summary;
    std::vector<std::wstring> columns;
    std::vector<std::vector<std::wstring>> rows;  // a text per column
    std::vector<ReportButton> buttons;            // from the left; the last is the default
};

// Shows the report modally over `owner`. Returns the id of the button that ended it, or
// IDCANCEL for Escape and the close box; -1 if it could not be shown.
INT_PTR ShowReport(HINSTANCE resources, HWND owner, const ReportContent& content);

// The rows as the clipboard gets them: a line each, the columns parted by tabs.
std::wstring ReportRowsAsText(const ReportContent& content);

}  // namespace parcelon
