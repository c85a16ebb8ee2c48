// The diagnostic log's lines, written to real files.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "common/DiagnosticLog.h"
#include "common/TextConversion.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::ReadWholeFile;
using testing_support::ScratchFolder;

namespace {
const std::string kStamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";

class DiagnosticLogTest : public ::testing::Test {
protected:
    // A log with a real file attached at `level`; the file's text is read after the log ends.
    std::string LogWith(int level, void (*report)(DiagnosticLog&)) {
        std::string path = folder.path("log.txt");
        {
            DiagnosticLog log;
            log.Attach(fopen(path.c_str(), "wb"), level);
            report(log);
        }
        return ReadWholeFile(path);
    }
    ScratchFolder folder;
};

// The registry values that attach a log file at `level`.
bool StoreLogSettings(const std::string& path, DWORD level) {
    UniqueRegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, DiagnosticLog::kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), DiagnosticLog::kLogFileValue, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(path.c_str()), static_cast<DWORD>(path.size() + 1)) ==
               ERROR_SUCCESS &&
           RegSetValueExA(key.get(), DiagnosticLog::kLogLevelValue, 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&level), sizeof level) == ERROR_SUCCESS;
}

void RemoveLogSettings() {
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DiagnosticLog::kSettingsKey, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS) {
        RegDeleteValueA(key.get(), DiagnosticLog::kLogFileValue);
        RegDeleteValueA(key.get(), DiagnosticLog::kLogLevelValue);
    }
}
}  // namespace

TEST_F(DiagnosticLogTest, LevelOneLineIsStampKindAndText) {
    std::string text = LogWith(1, [](DiagnosticLog& log) {
        log.SetReportLocation("C:\\src\\common\\regaccess", 12);
        log.LogError("Cannot open key %s (%d)", "Software\\X", 5);
    });
    EXPECT_TRUE(std::regex_match(text, std::regex(kStamp + "\tError\tCannot open key Software\\\\X \\(5\\)\r\n")))
        << text;
}

TEST_F(DiagnosticLogTest, LevelThreeLineCarriesFileNameAndLine) {
    std::string text = LogWith(3, [](DiagnosticLog& log) {
        log.SetReportLocation("C:\\src\\common\\regaccess", 12);
        log.LogError("failed");
    });
    EXPECT_TRUE(std::regex_match(text, std::regex(kStamp + "\tError\tregaccess, 12\tfailed\r\n"))) << text;
}

TEST_F(DiagnosticLogTest, ReportingSitesNameTheirFileWithoutFolders) {
    std::string text = LogWith(3, [](DiagnosticLog& log) { PARCELON_LOG_ERROR_TO(log, "at the site"); });
    EXPECT_NE(std::string::npos, text.find("\tError\tDiagnosticLogTest.cpp, ")) << text;
}

TEST_F(DiagnosticLogTest, LineBreaksInTheTextBecomeBars) {
    std::string text = LogWith(2, [](DiagnosticLog& log) { log.LogError("first\r\nsecond"); });
    EXPECT_NE(std::string::npos, text.find("\tfirst||second\r\n")) << text;
}

TEST_F(DiagnosticLogTest, LevelsOutsideOneToThreeRecordNothingButSignal) {
    for (int level : {0, 4, -1}) {
        std::string text = LogWith(level, [](DiagnosticLog& log) {
            ResetEvent(log.event());
            log.LogError("dropped");
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(log.event(), 0));
        });
        EXPECT_EQ("", text) << "level " << level;
    }
}

TEST_F(DiagnosticLogTest, ReportingKeepsTheLastErrorValue) {
    LogWith(1, [](DiagnosticLog& log) {
        SetLastError(1234);
        log.LogError("with %s", "text");
        EXPECT_EQ(1234u, GetLastError());
    });
}

TEST_F(DiagnosticLogTest, OverlongTextIsCutAtTheFormattersLimit) {
    std::string text = LogWith(1, [](DiagnosticLog& log) { log.LogError("%s", std::string(3000, 'y').c_str()); });
    size_t start = text.rfind('\t') + 1;
    size_t length = text.size() - start - 2;  // wvsprintfA stops at 1024 bytes, terminator included
    EXPECT_GE(length, 1023u);
    EXPECT_LE(length, 1024u);
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
}

TEST_F(DiagnosticLogTest, RegistrySettingsAttachAFile) {
    std::string path = folder.path("from-registry.log");
    ASSERT_TRUE(StoreLogSettings(path, 3));
    {
        DiagnosticLog log;
        log.SetReportLocation("dir\\site.cpp", 7);
        log.LogError("from the registry");
        // Unbuffered: the line is on disk before the log ends.
        EXPECT_NE(std::string::npos, ReadWholeFile(path).find("\tError\tsite.cpp, 7\tfrom the registry\r\n"));
    }
    RemoveLogSettings();
    {
        DiagnosticLog log;
        log.LogError("no longer recorded");
    }
    EXPECT_EQ(std::string::npos, ReadWholeFile(path).find("no longer recorded"));
}

// Four packing workers report at once, the first of their reports reading the settings:
// the file is opened once and no line is cut into by another.
TEST_F(DiagnosticLogTest, FourThreadsAtOnceOpenOneFileAndWriteWholeLines) {
    constexpr int kThreads = 4, kLines = 250;
    std::string path = folder.path("threads.log");
    ASSERT_TRUE(StoreLogSettings(path, 3));
    {
        DiagnosticLog log;
        UniqueHandle start(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        std::vector<std::thread> workers;
        for (int t = 0; t < kThreads; ++t)
            workers.emplace_back([&, t] {
                WaitForSingleObject(start.get(), INFINITE);
                for (int i = 0; i < kLines; ++i) PARCELON_LOG_ERROR_TO(log, "worker %d line %d %s", t, i, "end");
            });
        SetEvent(start.get());
        for (std::thread& worker : workers) worker.join();
    }
    // A second opening would have left its handle open past the log's end.
    UniqueFile exclusive(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(exclusive) << "error " << GetLastError();
    exclusive.reset();
    RemoveLogSettings();

    std::istringstream lines(ReadWholeFile(path));
    std::regex whole(kStamp + R"(\tError\tDiagnosticLogTest\.cpp, \d+\tworker (\d) line (\d+) end\r)");
    std::vector<int> perWorker(kThreads);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, whole)) << line;
        ++perWorker.at(std::stoi(match[1]));
        ++count;
    }
    EXPECT_EQ(kThreads * kLines, count);
    EXPECT_EQ(std::vector<int>(kThreads, kLines), perWorker);
}

// The path is stored as UTF-16 text to be expanded, in a folder named outside the code page
// and deeper than the classic limit; the lines keep their format, texts written as UTF-8.
TEST_F(DiagnosticLogTest, LogFileNamedOutsideTheCodePageAndLongIsWritten) {
    std::string deep = folder.MakeFolder("\u0416\u0443\u0440\u043d\u0430\u043b \u65e5\u8a8c\\" +
                                         std::string(150, 'l') + "\\" + std::string(150, 'm'));
    ASSERT_TRUE(SetEnvironmentVariableW(L"PARCELON_TEST_LOGS", WideFromUtf8(deep).c_str()));
    std::wstring stored = L"%PARCELON_TEST_LOGS%\\\u0436\u0443\u0440\u043d\u0430\u043b.log";
    {
        UniqueRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, DiagnosticLog::kSettingsKey, 0, nullptr, 0,
                                                 KEY_SET_VALUE, nullptr, key.put(), nullptr));
        DWORD level = 1;
        RegSetValueExW(key.get(), WideFromUtf8(DiagnosticLog::kLogFileValue).c_str(), 0, REG_EXPAND_SZ,
                       reinterpret_cast<const BYTE*>(stored.c_str()), static_cast<DWORD>((stored.size() + 1) * 2));
        RegSetValueExA(key.get(), DiagnosticLog::kLogLevelValue, 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&level), sizeof level);
    }
    {
        DiagnosticLog log;
        log.LogError("cannot open %s", "C:\\\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442.txt");
    }
    RemoveLogSettings();
    std::string text = ReadWholeFile(deep + "\\\u0436\u0443\u0440\u043d\u0430\u043b.log");
    EXPECT_TRUE(std::regex_search(text, std::regex("^" + kStamp + "\tError\tcannot open C:\\\\")));
    EXPECT_NE(std::string::npos,
              text.find("\tcannot open C:\\\u0414\u043e\u043a\u0443\u043c\u0435\u043d\u0442.txt\r\n"));
    SetEnvironmentVariableW(L"PARCELON_TEST_LOGS", nullptr);
}
