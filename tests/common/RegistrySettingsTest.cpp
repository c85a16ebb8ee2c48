// Text values in the real registry of the prefix, with the debugger lines and log reports
// that failures leave.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/DiagnosticLog.h"
#include "common/RegistrySettings.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "tests/support/DebugOutputCapture.h"
#include "tests/support/ScratchFolder.h"

using namespace parcelon;
using testing_support::DebugOutputCapture;
using testing_support::ReadWholeFile;
using testing_support::ScratchFolder;

namespace {
constexpr const char* kReadFailedLine = "ReadStringFromRegistry has failed.\n";
constexpr const char* kEndMarker = "end of the calls under test";

// A key of this test program's own under HKCU, removed with everything in it afterwards.
class RegistrySettingsTest : public ::testing::Test {
protected:
    RegistrySettingsTest()
        : keyPath("Software\\Kestrelbay\\Parcelon-test-registry-" + std::to_string(GetCurrentProcessId())) {}
    void SetUp() override {
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, key.put(), nullptr));
        ASSERT_TRUE(capture.ready());
    }
    void TearDown() override {
        key.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, keyPath.c_str());
    }

    void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size));
    }
    void SetText(const char* name, const std::string& text) { SetRaw(name, REG_SZ, text.c_str(), text.size() + 1); }

    // Runs `calls` with a file attached to the process's log at level 1, and returns what
    // was logged and every debugger line written meanwhile.
    template <typename Calls>
    std::pair<std::string, std::vector<std::string>> Reported(Calls calls) {
        std::string logPath = folder.path("log.txt");
        diagnosticLog.Attach(fopen(logPath.c_str(), "wb"), 1);
        calls();
        diagnosticLog.Attach(nullptr, 0);
        // The capture delivers lines in order, so the marker closes the set.
        OutputDebugStringA(kEndMarker);
        std::vector<std::string> lines;
        while (lines.empty() || lines.back() != kEndMarker) {
            std::vector<std::string> more = capture.Take(1);
            if (more.empty()) break;
            lines.insert(lines.end(), more.begin(), more.end());
        }
        if (!lines.empty() && lines.back() == kEndMarker) lines.pop_back();
        return {ReadWholeFile(logPath), lines};
    }

    std::string keyPath;
    UniqueRegKey key;
    ScratchFolder folder;
    DebugOutputCapture capture;
};

size_t CountLines(const std::string& log) { return std::count(log.begin(), log.end(), '\n'); }
}  // namespace

TEST_F(RegistrySettingsTest, ReadUnderMissingKeyFailsWithOneReportAndOneDebuggerLine) {
    std::string missing = keyPath + "\\missing";
    std::string text = "kept";
    auto [log, lines] = Reported([&] {
        EXPECT_FALSE(ReadStringFromRegistry(HKEY_CURRENT_USER, missing.c_str(), kHomeValueName, text));
    });
    EXPECT_EQ("kept", text);
    EXPECT_EQ(std::vector<std::string>{kReadFailedLine}, lines);
    EXPECT_EQ(1u, CountLines(log)) << log;
    EXPECT_NE(std::string::npos, log.find("\tError\tRegOpenKeyEx call has failed.\r\n")) << log;
}

TEST_F(RegistrySettingsTest, ReadsUpTo255CharactersAndFailsQuietlyBeyond) {
    const std::string longest(255, 'a'), tooLong(256, 'b');
    SetText("longest", longest);
    SetText("too long", tooLong);
    std::string text = "kept";
    auto [log, lines] = Reported([&] {
        EXPECT_TRUE(ReadStringFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), "longest", text));
        EXPECT_EQ(longest, text);
        text = "kept";
        EXPECT_FALSE(ReadStringFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), "too long", text));
        EXPECT_EQ("kept", text);
    });
    // Only the read that failed leaves a line; a failing query is not logged.
    EXPECT_EQ(std::vector<std::string>{kReadFailedLine}, lines);
    EXPECT_EQ("", log);

    char buffer[256];
    DWORD type = REG_SZ, size = sizeof buffer;
    EXPECT_EQ(ERROR_MORE_DATA, ReadRegistryValue(HKEY_CURRENT_USER, keyPath.c_str(), "too long", &type,
                                                 reinterpret_cast<BYTE*>(buffer), &size));
}

TEST_F(RegistrySettingsTest, MissingValueFailsWithTheQuerysCode) {
    DWORD type = REG_SZ, size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadRegistryValue(HKEY_CURRENT_USER, keyPath.c_str(), kHomeValueName, &type,
                                                      nullptr, &size));
    std::string text = "kept";
    EXPECT_FALSE(ReadStringFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), kHomeValueName, text));
    EXPECT_EQ("kept", text);
}

TEST_F(RegistrySettingsTest, EmptyValueReadsAsEmptyText) {
    SetText("empty", "");
    std::string text = "replaced";
    EXPECT_TRUE(ReadStringFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), "empty", text));
    EXPECT_EQ("", text);
}

// The type is not looked at: other values are taken byte for byte, up to a zero byte or
// the end of the 256 bytes read.
TEST_F(RegistrySettingsTest, ValueOfAnotherTypeIsReadNoFurtherThanItsBytes) {
    const std::string full(256, 'c');
    SetRaw("binary", REG_BINARY, full.data(), full.size());
    SetRaw("zero inside", REG_BINARY, "ab\0cd", 5);
    std::string text;
    EXPECT_TRUE(ReadStringFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), "binary", text));
    EXPECT_EQ(full, text);
    EXPECT_TRUE(ReadStringFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), "zero inside", text));
    EXPECT_EQ("ab", text);
}

TEST_F(RegistrySettingsTest, WrittenTextReadsBackWithItsTerminatorStored) {
    for (const std::string written : {"C:\\Program Files\\Parcelon", ""}) {
        EXPECT_TRUE(WriteStringToRegistry(HKEY_CURRENT_USER, keyPath.c_str(), kHomeValueName, written));
        char stored[300] = {};
        DWORD type = 0, size = sizeof stored;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.get(), kHomeValueName, nullptr, &type,
                                                  reinterpret_cast<BYTE*>(stored), &size));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        EXPECT_EQ(written.size() + 1, size);
        EXPECT_EQ(written, std::string(stored));
        std::string text = "other";
        EXPECT_TRUE(ReadStringFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), kHomeValueName, text));
        EXPECT_EQ(written, text);
    }
}

TEST_F(RegistrySettingsTest, WritingUnderMissingKeyFailsAndCreatesNothing) {
    std::string missing = keyPath + "\\missing";
    auto [log, lines] = Reported([&] {
        EXPECT_FALSE(WriteStringToRegistry(HKEY_CURRENT_USER, missing.c_str(), kHomeValueName, "C:\\Parcelon"));
    });
    UniqueRegKey opened;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_CURRENT_USER, missing.c_str(), 0, KEY_READ, opened.put()));
    EXPECT_EQ(1u, CountLines(log)) << log;
    EXPECT_NE(std::string::npos, log.find("\tError\tRegOpenKeyEx call has failed with error = 2.\r\n")) << log;
    EXPECT_TRUE(lines.empty());
}

TEST_F(RegistrySettingsTest, FailedSetIsLoggedWithItsCode) {
    const std::string overlongName(20000, 'n');
    LONG code = 0;
    auto [log, lines] = Reported([&] {
        code = WriteRegistryValue(HKEY_CURRENT_USER, keyPath.c_str(), overlongName.c_str(), REG_SZ,
                                  reinterpret_cast<const BYTE*>("x"), 2);
    });
    EXPECT_NE(ERROR_SUCCESS, code);
    EXPECT_NE(std::string::npos,
              log.find("\tError\tRegSetValueEx call has failed with error = " + std::to_string(code) + ".\r\n"))
        << log;
}

// A path value is read as UTF-16, whole, whatever its length and characters; failures leave
// the same reports as a text read, and the path unchanged.
TEST_F(RegistrySettingsTest, PathValuesAreReadWholeInUtf8) {
    std::string home = "C:\\\u0414\u043e\u043c \U0001F3E0\\" + std::string(1000, 'h');
    std::wstring wide = WideFromUtf8(home);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), WideFromUtf8(kHomeValueName).c_str(), 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(wide.c_str()),
                                            static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))));
    std::string path;
    EXPECT_TRUE(ReadPathFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), kHomeValueName, path));
    EXPECT_EQ(home, path);

    DWORD number = 7;
    SetRaw("number", REG_DWORD, &number, sizeof number);
    std::string missing = keyPath + "\\missing";
    auto [log, lines] = Reported([&] {
        EXPECT_FALSE(ReadPathFromRegistry(HKEY_CURRENT_USER, missing.c_str(), kHomeValueName, path));
        EXPECT_FALSE(ReadPathFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), "absent", path));
        EXPECT_FALSE(ReadPathFromRegistry(HKEY_CURRENT_USER, keyPath.c_str(), "number", path)) << "not a text";
    });
    EXPECT_EQ(home, path);
    EXPECT_EQ(std::vector<std::string>(3, kReadFailedLine), lines);
    EXPECT_EQ(1u, CountLines(log)) << "only the key that cannot be opened is logged: " << log;
}
