// The debugger line of a failed automation call, read back as a debug-output viewer would.
#include <gtest/gtest.h>

#include "common/ComErrorReport.h"
#include "common/ComPtr.h"
#include "tests/support/DebugOutputCapture.h"

using namespace parcelon;
using testing_support::DebugOutputCapture;

namespace {
IErrorInfo* MakeErrorInfo(const wchar_t* source, const std::wstring& description) {
    ComPtr<ICreateErrorInfo> create;
    EXPECT_EQ(S_OK, CreateErrorInfo(create.put()));
    create->SetSource(const_cast<LPOLESTR>(source));
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    return info;
}

std::string MessageOf(HRESULT hr) { return _com_error(hr).ErrorMessage(); }
}  // namespace

TEST(ComErrorReport, LineWithoutErrorInformationPrintsNulls) {
    DebugOutputCapture capture;
    ASSERT_TRUE(capture.ready());
    _com_error error(static_cast<HRESULT>(0x80020009));
    ReportComError(error);
    auto messages = capture.Take(2);
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ("_com_error exception - Source: (null), Error: -2147352567, Description: (null), ErrorMessage: " +
                  std::string(error.ErrorMessage()),
              messages[0]);
    EXPECT_EQ("\n", messages[1]);
}

// A description that names a file outside the code page keeps the name whole.
TEST(ComErrorReport, LineCarriesSourceAndDescriptionInUtf8) {
    _com_error error(E_ACCESSDENIED,
                     MakeErrorInfo(L"Microsoft Outlook", L"Caf\u00e9 closed: C:\\\u041e\u0442\u0447\u0451\u0442 \U0001F4E6.txt"),
                     false);
    EXPECT_EQ("_com_error exception - Source: Microsoft Outlook, Error: -2147024891, Description: Caf\u00e9 closed: "
              "C:\\\u041e\u0442\u0447\u0451\u0442 \U0001F4E6.txt, ErrorMessage: " + std::string(error.ErrorMessage()),
              FormatComErrorReport(error));
}

TEST(ComErrorReport, OverlongReportIsCutAt2047Characters) {
    DebugOutputCapture capture;
    std::wstring longText(5000, L'x');
    _com_error error(E_FAIL, MakeErrorInfo(longText.c_str(), longText), false);
    ReportComError(error);
    auto messages = capture.Take(2);
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ(2047u, messages[0].size());
    EXPECT_EQ("_com_error exception - Source: xxx", messages[0].substr(0, 34));
}

TEST(ComErrorMessage, CodesWithoutSystemTextAreNamedByRange) {
    EXPECT_EQ("IDispatch error #1", MessageOf(static_cast<HRESULT>(0x80040201)));
    EXPECT_EQ("Unknown error 0x80040200", MessageOf(static_cast<HRESULT>(0x80040200)));
    EXPECT_EQ("IDispatch error #65023", MessageOf(static_cast<HRESULT>(0x8004FFFF)));
    EXPECT_EQ("Unknown error 0x80050000", MessageOf(static_cast<HRESULT>(0x80050000)));
}

TEST(ComErrorMessage, SystemTextLosesItsLineEnd) {
    std::string text = MessageOf(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    ASSERT_FALSE(text.empty());
    EXPECT_NE('\n', text.back());
    EXPECT_NE('\r', text.back());
}
