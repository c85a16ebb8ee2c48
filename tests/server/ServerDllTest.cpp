// Parcelon.dll as a file and as a self-registering server: its export table, version
// block, and what registering and unregistering leave in the real registry of the prefix.
#include <gtest/gtest.h>

#include "client/addin/AddinIds.h"
#include "common/UniqueResource.h"
#include "tests/server/ComTestSupport.h"
#include "tests/server/PeFile.h"
#include "tests/server/RegistrationChecks.h"

using namespace parcelon;
using namespace testing_support;

namespace {
const std::wstring kClassKey = L"CLSID\\" + GuidText(CLSID_OutlookAddin);

// Runs the system's own regsvr32 of this bitness; its exit code.
DWORD RunRegsvr32(const std::wstring& arguments) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError() | 0x80000000u;
    UniqueHandle thread(process.hThread), child(process.hProcess);
    WaitForSingleObject(child.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.get(), &code);
    return code;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dll.loaded()); }
    void TearDown() override {
        dll.Unregister();
        DeleteTree(HKEY_CURRENT_USER, kAddinsKey + L"\\Another.Addin");
    }
    ServerDll dll;
};
}  // namespace

TEST(ServerDllFile, ExportsExactlyTheFourEntryPointsAndDoesNotUseAtl) {
    PeTables tables;
    ASSERT_TRUE(ReadPeTables(BuildFile(L"server\\Parcelon.dll"), tables));
    EXPECT_EQ(sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386, tables.machine);
    EXPECT_EQ((std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                        "DllUnregisterServer"}),
              tables.exports);
    EXPECT_FALSE(tables.imports.empty());
    for (const std::string& name : tables.imports) EXPECT_NE(0, _stricmp(name.c_str(), "atl.dll")) << name;
}

TEST(ServerDllFile, VersionBlockAndProjectName) {
    ServerDll dll;
    ASSERT_TRUE(dll.loaded());
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(dll.path().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(dll.path().c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed->dwFileOS);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1200, translation[1]);
    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &chars) || !value)
            return std::wstring(L"(none)");
        return std::wstring(value);
    };
    for (const wchar_t* name : {L"Comments", L"FileDescription", L"InternalName", L"ProductName"})
        EXPECT_EQ(L"Parcelon", text(name));
    EXPECT_EQ(L"Parcelon.DLL", text(L"OriginalFilename"));
    EXPECT_EQ(L"1, 0, 0, 0", text(L"FileVersion"));
    EXPECT_EQ(L"1, 0, 0, 0", text(L"ProductVersion"));
    wchar_t name[32] = {};
    EXPECT_EQ(8, LoadStringW(dll.module(), 100, name, 32));
    EXPECT_STREQ(L"Parcelon", name);
}

TEST_F(Registration, RegisteringWritesEveryKeyAndUnregisteringRemovesOnlyOwnKeys) {
    ASSERT_EQ(S_OK, dll.Register());
    ExpectRegistered(kClassesRoot, dll.path());
    // Registering again over an existing registration is fine.
    ASSERT_EQ(S_OK, dll.Register());
    ExpectRegistered(kClassesRoot, dll.path());

    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, (kAddinsKey + L"\\Another.Addin").c_str(),
                                             L"LoadBehavior", REG_SZ, L"3", 4));
    ASSERT_EQ(S_OK, dll.Unregister());
    ExpectUnregistered();
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAddinsKey + L"\\Another.Addin"));
}

TEST_F(Registration, ForceRemoveClearsWhatAnOldRegistrationLeftInTheClassKey) {
    for (const wchar_t* stale : {L"\\Stale", L"\\Programmable\\Stale", L"\\InprocServer32"})
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CLASSES_ROOT, (kClassKey + stale).c_str(), nullptr, REG_SZ,
                                                 L"old", 8));
    ASSERT_EQ(S_OK, dll.Register());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\Stale"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + L"\\Programmable\\Stale"));
    ExpectRegistered(kClassesRoot, dll.path());
}

TEST_F(Registration, WineRegsvr32RegistersAndUnregisters) {
    std::wstring quoted = L"\"" + dll.path() + L"\"";
    ASSERT_EQ(0u, RunRegsvr32(L"/s " + quoted));
    ExpectRegistered(kClassesRoot, dll.path());
    ASSERT_EQ(0u, RunRegsvr32(L"/u /s " + quoted));
    ExpectUnregistered();
}
