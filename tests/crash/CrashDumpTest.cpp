// The crash dump handler end to end: crash-child.exe loads Parcelon.dll and crashes, and the
// test answers the handler's message boxes and reads the dump with the real dbghelp.dll.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/DiagnosticLog.h"
#include "common/FileSystemPath.h"
#include "common/RegistrySettings.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "tests/crash/CrashingChild.h"
#include "tests/crash/MinidumpFile.h"
#include "tests/crash/TestBinaries.h"
#include "tests/support/ScratchFolder.h"

using namespace testing_support;
using parcelon::UniqueRegKey;

namespace {
const std::string kPrompt = "Application exits unexpectedly. Do you want to save a diagnostic file?";
constexpr const char* kChildOverridesKey = "Software\\Wine\\AppDefaults\\crash-child.exe";

bool Exists(const std::string& path) {
    return GetFileAttributesW(parcelon::FileSystemPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string SystemDbghelp() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\dbghelp.dll";
}

bool IsLoaded(const std::vector<std::string>& modules, const std::string& path) {
    return std::any_of(modules.begin(), modules.end(),
                       [&](const std::string& module) { return lstrcmpiA(module.c_str(), path.c_str()) == 0; });
}

// Wine's own setting for one program. "native,builtin" loads the DBGHELP.DLL file found at
// a path, as Windows does, instead of Wine's built-in one; "" lets no DBGHELP.DLL load.
void SetChildDbghelpLoadOrder(const char* order) {
    UniqueRegKey key;
    std::string path = std::string(kChildOverridesKey) + "\\DllOverrides";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, key.put(), nullptr));
    RegSetValueExA(key.get(), "dbghelp", 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                   static_cast<DWORD>(strlen(order) + 1));
}

// After a filter result of 0 Wine starts the debugger named in AeDebug whatever the error
// mode, and the debugger inherits the child's handles: a debugger that hangs holds the test's
// output open. A debugger that cannot be started lets the child end at once, as Windows does
// with SEM_NOGPFAULTERRORBOX.
class NoDebuggerForCrashes {
public:
    NoDebuggerForCrashes() {
        hadDebugger_ = parcelon::ReadStringFromRegistry(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger", debugger_);
        EXPECT_TRUE(parcelon::WriteStringToRegistry(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger",
                                                    "C:\\parcelon-test-has-no-debugger.exe %ld %ld"));
    }
    ~NoDebuggerForCrashes() {
        if (hadDebugger_)
            parcelon::WriteStringToRegistry(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger", debugger_);
        else
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kAeDebugKey, "Debugger");
    }

private:
    static constexpr const char* kAeDebugKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
    bool hadDebugger_ = false;
    std::string debugger_;
};

void RemoveHome() {
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, parcelon::DiagnosticLog::kSettingsKey, 0, KEY_SET_VALUE, key.put()) ==
        ERROR_SUCCESS)
        RegDeleteValueA(key.get(), parcelon::kHomeValueName);
}

class CrashDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveHome();
        SetChildDbghelpLoadOrder("native,builtin");
        temp = folder.MakeFolder("temp");
    }
    void TearDown() override {
        RemoveHome();
        RegDeleteTreeA(HKEY_CURRENT_USER, kChildOverridesKey);
    }

    // Stored as UTF-16, as a user's own tools would store a name outside the code page.
    void SetHome(const std::string& home) {
        UniqueRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, parcelon::DiagnosticLog::kSettingsKey, 0,
                                                 nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr));
        std::wstring wide = parcelon::WideFromUtf8(home);
        RegSetValueExW(key.get(), parcelon::WideFromUtf8(parcelon::kHomeValueName).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(wide.c_str()), static_cast<DWORD>((wide.size() + 1) * 2));
    }
    // A home folder, set as "Parcelon Home", holding a copy of `dbghelp` unless it is "".
    std::string MakeHome(const std::string& dbghelp, const std::string& home = "") {
        std::string path = home.empty() ? folder.MakeFolder("home") : home;
        MakeFolders(path);
        if (!dbghelp.empty()) {
            EXPECT_TRUE(CopyFileW(parcelon::FileSystemPath(dbghelp).c_str(),
                                  parcelon::FileSystemPath(path + "\\DBGHELP.DLL").c_str(), FALSE));
        }
        SetHome(path);
        return path;
    }
    // A folder path of exactly `length` characters inside the scratch folder.
    std::string FolderOfLength(size_t length) const {
        std::string path = folder.path() + "d";
        while (path.size() + 101 < length) path += "\\" + std::string(100, 'd');
        size_t rest = length - path.size();
        path += rest >= 2 ? "\\" + std::string(rest - 1, 'e') : std::string(rest, 'f');
        return path;
    }
    // The child's temporary folder is the test's own.
    std::vector<std::string> Environment() const { return {"TMP=" + temp, "TEMP=" + temp}; }

    // The child's crash and its prompt answered Yes; returns the box shown after it.
    std::string CrashAndSave(CrashingChild& child, DWORD* crashingThread = nullptr) {
        std::optional<ChildMessageBox> prompt = child.NextMessageBox();
        if (!prompt) return "(no prompt)";
        EXPECT_EQ(kPrompt, prompt->text);
        if (crashingThread) *crashingThread = prompt->threadId;
        EXPECT_TRUE(child.Press(*prompt, IDYES));
        return child.Answer(IDOK);
    }

    NoDebuggerForCrashes noDebugger;
    ScratchFolder folder;
    std::string temp;
};

void ExpectDumpOfTheCrash(const std::string& path, DWORD crashingThread) {
    std::string content = ReadWholeFile(path);
    ASSERT_TRUE(HasMinidumpSignature(content)) << path;
    std::optional<DumpedException> exception = ReadDumpedException(content);
    ASSERT_TRUE(exception) << "no exception stream in " << path;
    EXPECT_EQ(crashingThread, exception->threadId);
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), exception->code);
}
}  // namespace

TEST_F(CrashDumpTest, HomeFolderCopyOfDbghelpIsLoadedAndTheDumpWrittenThere) {
    std::string home = MakeHome(SystemDbghelp());
    CrashingChild child(CrashChildPath(), ParcelonDllPath(), Environment());
    ASSERT_TRUE(child.started());
    std::optional<ChildMessageBox> prompt = child.NextMessageBox();
    ASSERT_TRUE(prompt);
    EXPECT_EQ(kPrompt, prompt->text);
    // The box is shown by the thread that crashed, not by the child's main thread.
    EXPECT_NE(child.mainThreadId(), prompt->threadId);
    EXPECT_TRUE(IsLoaded(child.LoadedModules(), home + "\\DBGHELP.DLL"));
    ASSERT_TRUE(child.Press(*prompt, IDYES));
    std::string dump = home + "\\Parcelon.dmp";
    EXPECT_EQ("Saved dump file to '" + dump + "'", child.Answer(IDOK));
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), child.WaitForExit());
    ExpectDumpOfTheCrash(dump, prompt->threadId);
    EXPECT_FALSE(Exists(temp + "\\Parcelon.dmp"));
}

TEST_F(CrashDumpTest, WithoutHomeFolderTheDumpGoesToTheTemporaryFolder) {
    CrashingChild child(CrashChildPath(), ParcelonDllPath(), Environment());
    DWORD crashingThread = 0;
    std::string dump = temp + "\\Parcelon.dmp";
    EXPECT_EQ("Saved dump file to '" + dump + "'", CrashAndSave(child, &crashingThread));
    child.WaitForExit();
    ExpectDumpOfTheCrash(dump, crashingThread);
}

TEST_F(CrashDumpTest, AnsweredNoWritesNothingAndShowsNothingMore) {
    std::string home = MakeHome(SystemDbghelp());
    CrashingChild child(CrashChildPath(), ParcelonDllPath(), Environment());
    EXPECT_EQ(kPrompt, child.Answer(IDNO));
    EXPECT_FALSE(child.NextMessageBox());
    EXPECT_NE(static_cast<DWORD>(STILL_ACTIVE), child.WaitForExit());
    EXPECT_FALSE(Exists(home + "\\Parcelon.dmp"));
    EXPECT_FALSE(Exists(temp + "\\Parcelon.dmp"));
}

TEST_F(CrashDumpTest, ExistingDumpIsReplaced) {
    std::string home = MakeHome(SystemDbghelp());
    const std::string filler(1 << 20, 'x');
    folder.Write("home\\Parcelon.dmp", filler);
    CrashingChild child(CrashChildPath(), ParcelonDllPath(), Environment());
    DWORD crashingThread = 0;
    EXPECT_EQ("Saved dump file to '" + home + "\\Parcelon.dmp'", CrashAndSave(child, &crashingThread));
    child.WaitForExit();
    ExpectDumpOfTheCrash(home + "\\Parcelon.dmp", crashingThread);
    EXPECT_EQ(std::string::npos, ReadWholeFile(home + "\\Parcelon.dmp").find(std::string(64, 'x')));
}

TEST_F(CrashDumpTest, MissingHomeFolderGivesTheCreateFailure) {
    std::string home = folder.path("missing");
    SetHome(home);
    CrashingChild child(CrashChildPath(), ParcelonDllPath(), Environment());
    EXPECT_EQ("Failed to create dump file '" + home + "\\Parcelon.dmp' (error 3)", CrashAndSave(child));
}

// Neither the dump path nor the message is cut, whatever the length of the home folder and
// whatever characters it holds.
TEST_F(CrashDumpTest, HomeFolderOfAnyLengthAndNameGetsTheDumpAndTheWholeMessage) {
    std::string home = MakeHome("", FolderOfLength(300) + "\\\u0414\u0430\u043c\u043f \u03b4\u03b5\u03b4 "
                                                         "\U0001F4E6 \u65e5\u672c");
    std::string dump = home + "\\Parcelon.dmp";
    ASSERT_GT(dump.size(), 320u);
    CrashingChild child(CrashChildPath(), ParcelonDllPath(), Environment());
    DWORD crashingThread = 0;
    EXPECT_EQ("Saved dump file to '" + dump + "'", CrashAndSave(child, &crashingThread));
    child.WaitForExit();
    ExpectDumpOfTheCrash(dump, crashingThread);
}

TEST_F(CrashDumpTest, DbghelpWithoutMiniDumpWriteDumpIsTooOldAndNoPromptIsShown) {
    std::string home = MakeHome(OldDbghelpPath());
    CrashingChild child(CrashChildPath(), ParcelonDllPath(), Environment());
    EXPECT_EQ("DBGHELP.DLL too old", child.Answer(IDOK));
    EXPECT_FALSE(child.NextMessageBox());
    EXPECT_FALSE(Exists(home + "\\Parcelon.dmp"));
}

TEST_F(CrashDumpTest, WithoutHomeFolderTheDbghelpBesideTheExecutableIsTaken) {
    std::string app = folder.MakeFolder("app");
    ASSERT_TRUE(CopyFileA(CrashChildPath().c_str(), (app + "\\crash-child.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(OldDbghelpPath().c_str(), (app + "\\DBGHELP.DLL").c_str(), FALSE));
    CrashingChild child(app + "\\crash-child.exe", ParcelonDllPath(), Environment());
    EXPECT_EQ("DBGHELP.DLL too old", child.Answer(IDOK));
}

TEST_F(CrashDumpTest, NoLoadableDbghelpIsNotFound) {
    SetChildDbghelpLoadOrder("");
    CrashingChild child(CrashChildPath(), ParcelonDllPath(), Environment());
    EXPECT_EQ("DBGHELP.DLL not found", child.Answer(IDOK));
    EXPECT_FALSE(child.NextMessageBox());
}

TEST_F(CrashDumpTest, FailingMiniDumpWriteDumpGivesTheSaveFailureWithItsError) {
    std::string home = MakeHome(FailingDbghelpPath());
    CrashingChild child(CrashChildPath(), ParcelonDllPath(), Environment());
    EXPECT_EQ("Failed to save dump file to '" + home + "\\Parcelon.dmp' (error 112)", CrashAndSave(child));
}
