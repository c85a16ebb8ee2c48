// Registering Parcelon.dll as a standard user: the machine's classes refuse the write, the
// server registers for the current user alone, and unregistering leaves no key of ours.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include "client/addin/AddinIds.h"
#include "client/addin/Extensibility.h"
#include "common/ComPtr.h"
#include "common/UniqueResource.h"
#include "standin/ApplicationObjects.h"
#include "tests/server/ComTestSupport.h"
#include "tests/server/RegistrationChecks.h"

using namespace parcelon;
using namespace testing_support;

namespace {
const wchar_t* const kStandInMachine = L"Software\\Kestrelbay\\ParcelonStandardUserMachine";
const std::wstring kClassKey = L"CLSID\\" + GuidText(CLSID_OutlookAddin);

// Reading and deleting, no writing: what a standard user may do with the machine's classes.
LONG GrantReadingAlone(HKEY key) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KRSD;;;WD)", SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return GetLastError();
    UniqueHLocal owner(descriptor);
    return RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
}

// For its lifetime this process meets the registry as a standard user does. Its
// HKEY_LOCAL_MACHINE is a stand-in whose Software\Classes grants reading alone, so the
// registry itself refuses the server's write there. HKEY_CLASSES_ROOT is pointed at the
// user's classes: Wine's per-user type library calls write through HKEY_CLASSES_ROOT, which
// Wine does not merge with the user's classes as Windows does.
class StandardUser {
public:
    // `machineRegistration`: the stand-in machine holds a registration that an
    // administrator made, which this user may read but not remove.
    explicit StandardUser(bool machineRegistration = false) {
        DeleteTree(HKEY_CURRENT_USER, kStandInMachine);
        UniqueRegKey machine, classes, userClasses;
        LONG status = RegCreateKeyExW(HKEY_CURRENT_USER, kStandInMachine, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                      machine.put(), nullptr);
        if (status == ERROR_SUCCESS)
            status = RegCreateKeyExW(machine.get(), L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                     classes.put(), nullptr);
        if (status == ERROR_SUCCESS && machineRegistration) {
            UniqueRegKey server;
            status = RegCreateKeyExW(classes.get(), (kClassKey + L"\\InprocServer32").c_str(), 0, nullptr, 0,
                                     KEY_ALL_ACCESS, nullptr, server.put(), nullptr);
            UniqueRegKey classKey;
            if (status == ERROR_SUCCESS)
                status = RegOpenKeyExW(classes.get(), kClassKey.c_str(), 0, KEY_ALL_ACCESS, classKey.put());
            if (status == ERROR_SUCCESS) status = GrantReadingAlone(classKey.get());
        }
        if (status == ERROR_SUCCESS) status = GrantReadingAlone(classes.get());
        if (status == ERROR_SUCCESS)
            status = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                     userClasses.put(), nullptr);
        if (status == ERROR_SUCCESS) status = RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine.get());
        if (status == ERROR_SUCCESS) status = RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses.get());
        status_ = status;
    }
    ~StandardUser() {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        DeleteTree(HKEY_CURRENT_USER, kStandInMachine);
    }
    LONG status() const { return status_; }

private:
    LONG status_ = ERROR_SUCCESS;
};

// Whether this platform's COM finds classes registered under HKEY_CURRENT_USER\Software\Classes
// (Windows does; Wine 8 reads the machine's classes alone). Asked with a ProgID of its own.
bool ComReadsUserClasses() {
    const wchar_t* const probe = L"Software\\Classes\\Parcelon.UserClassesProbe";
    std::wstring classId = GuidText(CLSID_OutlookAddin);
    RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(probe) + L"\\CLSID").c_str(), nullptr, REG_SZ, classId.c_str(),
                    static_cast<DWORD>((classId.size() + 1) * sizeof(wchar_t)));
    CLSID found = {};
    bool reads = SUCCEEDED(CLSIDFromProgID(L"Parcelon.UserClassesProbe", &found));
    DeleteTree(HKEY_CURRENT_USER, probe);
    return reads;
}

// Connects the add-in to a stand-in Outlook and disconnects it; both collections see it.
void ExpectConnects(IDTExtensibility2* connection) {
    auto* app = new standin::Application;
    EXPECT_EQ(S_OK, connection->OnConnection(app->dispatch(), 0, nullptr, nullptr));
    EXPECT_EQ(1u, app->explorers().connections());
    EXPECT_EQ(1u, app->inspectors().connections());
    EXPECT_EQ(S_OK, connection->OnDisconnection(0, nullptr));
    EXPECT_EQ(0u, app->inspectors().connections());
    app->Release();
}

class StandardUserRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll.loaded());
        ASSERT_EQ(S_OK, dll.Unregister());
    }
    void TearDown() override {
        {
            StandardUser user;
            dll.Unregister();
        }
        dll.Unregister();
        DeleteTree(HKEY_CURRENT_USER, kAddinsKey + L"\\Another.Addin");
    }
    ServerDll dll;
};
}  // namespace

TEST_F(StandardUserRegistration, RegistersForTheUserAndUnregisteringLeavesNoKeyOfOurs) {
    {
        StandardUser user;
        ASSERT_EQ(ERROR_SUCCESS, user.status());
        UniqueRegKey denied;
        ASSERT_EQ(ERROR_ACCESS_DENIED,
                  RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_READ | KEY_WRITE, denied.put()));
        ASSERT_EQ(S_OK, dll.Register());
        ExpectRegistered(kUserClasses, dll.path());
        // Registering again, as a second run of the setup program does, changes nothing.
        ASSERT_EQ(S_OK, dll.Register());
        ExpectRegistered(kUserClasses, dll.path());
        ComPtr<ITypeLib> library;
        EXPECT_EQ(S_OK, LoadRegTypeLib(LIBID_PARCELONLib, 1, 0, LOCALE_USER_DEFAULT, library.put()));
    }
    ExpectNoClassesOfOurs(kClassesRoot);  // the machine's own classes got nothing

    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, (kAddinsKey + L"\\Another.Addin").c_str(),
                                             L"LoadBehavior", REG_SZ, L"3", 4));
    {
        StandardUser user;
        ASSERT_EQ(S_OK, dll.Unregister());
    }
    ExpectUnregistered();
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAddinsKey + L"\\Another.Addin"));
}

TEST_F(StandardUserRegistration, TheAddinIsCreatedFromWhatTheUserRegistrationSays) {
    StandardUser user;
    ASSERT_EQ(ERROR_SUCCESS, user.status());
    ASSERT_EQ(S_OK, dll.Register());
    // The road COM takes on Windows: ProgID, its current version, the CLSID, the server's path.
    std::wstring current, classText, server;
    ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\Parcelon.OutlookAddin\\CurVer", L"", current));
    ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\" + current + L"\\CLSID", L"", classText));
    ASSERT_TRUE(ReadString(HKEY_CURRENT_USER, L"Software\\Classes\\CLSID\\" + classText + L"\\InprocServer32", L"",
                           server));
    EXPECT_EQ(0, _wcsicmp(dll.path().c_str(), server.c_str()));
    CLSID classId = {};
    ASSERT_EQ(S_OK, CLSIDFromString(classText.c_str(), &classId));
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(S_OK, dll.GetClassObject(classId, IID_IClassFactory, factory.putVoid()));
    ComPtr<IDTExtensibility2> connection;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDTExtensibility2, connection.putVoid()));
    ExpectConnects(connection.get());
}

TEST_F(StandardUserRegistration, AMachineRegistrationTheUserMayNotRemoveFailsUnregistering) {
    StandardUser user(true);
    ASSERT_EQ(ERROR_SUCCESS, user.status());
    ASSERT_EQ(S_OK, dll.Register());
    ExpectRegistered(kUserClasses, dll.path());
    EXPECT_EQ(E_ACCESSDENIED, dll.Unregister());
    // The user's own registration went all the same; the machine's is still there.
    ExpectNoClassesOfOurs(kUserClasses);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddinKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + kClassKey + L"\\InprocServer32"));
}

// Through COM itself, as Outlook creates it. Where the platform's COM does not read the
// user's classes the case is reported as skipped, with the reason.
TEST_F(StandardUserRegistration, ThroughComTheProgIdCreatesTheAddin) {
    if (!ComReadsUserClasses())
        GTEST_SKIP() << "this platform's COM does not read HKEY_CURRENT_USER\\Software\\Classes (Wine does not): "
                        "creation by ProgID from a registration for the user alone cannot be checked here";
    StandardUser user;
    ASSERT_EQ(ERROR_SUCCESS, user.status());
    ASSERT_EQ(S_OK, dll.Register());
    CLSID classId = {};
    ASSERT_EQ(S_OK, CLSIDFromProgID(kVersionIndependentProgId, &classId));
    ComPtr<IDTExtensibility2> connection;
    ASSERT_EQ(S_OK, CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2,
                                     connection.putVoid()));
    ExpectConnects(connection.get());
}
