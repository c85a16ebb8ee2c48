// What a registration of Parcelon.dll leaves in the registry.
#include "RegistrationChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "client/addin/AddinIds.h"
#include "tests/server/ComTestSupport.h"

namespace testing_support {

using parcelon::CLSID_OutlookAddin;
using parcelon::LIBID_PARCELONLib;

const ClassesLocation kClassesRoot = {HKEY_CLASSES_ROOT, L""};
const ClassesLocation kUserClasses = {HKEY_CURRENT_USER, L"Software\\Classes\\"};
const std::wstring kAddinsKey = L"Software\\Microsoft\\Office\\Outlook\\Addins";
const std::wstring kAddinKey = kAddinsKey + L"\\Parcelon.OutlookAddin";

namespace {
const std::wstring kClassKey = L"CLSID\\" + GuidText(CLSID_OutlookAddin);
const std::wstring kTypeLibKey = L"TypeLib\\" + GuidText(LIBID_PARCELONLib) + L"\\1.0";

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), towlower);
    return text;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void ExpectString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& expected) {
    std::wstring text;
    EXPECT_TRUE(ReadString(root, key, name, text)) << Narrow(key);
    EXPECT_EQ(expected, text) << Narrow(key);
}
}  // namespace

bool ClassesKeyExists(const ClassesLocation& where, const std::wstring& key) {
    return KeyExists(where.hive, where.path + key);
}

void ExpectRegistered(const ClassesLocation& where, const std::wstring& modulePath) {
    HKEY hive = where.hive;
    const std::wstring& at = where.path;
    const std::wstring classKey = at + kClassKey;
    ExpectString(hive, at + L"Parcelon.OutlookAddin.1", L"", L"OutlookAddin Class");
    ExpectString(hive, at + L"Parcelon.OutlookAddin.1\\CLSID", L"", GuidText(CLSID_OutlookAddin));
    ExpectString(hive, at + L"Parcelon.OutlookAddin", L"", L"OutlookAddin Class");
    ExpectString(hive, at + L"Parcelon.OutlookAddin\\CLSID", L"", GuidText(CLSID_OutlookAddin));
    ExpectString(hive, at + L"Parcelon.OutlookAddin\\CurVer", L"", L"Parcelon.OutlookAddin.1");
    ExpectString(hive, classKey, L"", L"OutlookAddin Class");
    ExpectString(hive, classKey + L"\\ProgID", L"", L"Parcelon.OutlookAddin.1");
    ExpectString(hive, classKey + L"\\VersionIndependentProgID", L"", L"Parcelon.OutlookAddin");
    EXPECT_TRUE(KeyExists(hive, classKey + L"\\Programmable"));
    std::wstring server;
    EXPECT_TRUE(ReadString(hive, classKey + L"\\InprocServer32", L"", server));
    EXPECT_EQ(Lower(modulePath), Lower(server));
    ExpectString(hive, classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    ExpectString(hive, classKey + L"\\TypeLib", L"", GuidText(LIBID_PARCELONLib));
    ExpectString(hive, at + kTypeLibKey, L"", L"Parcelon 1.0 Type Library");
    ExpectString(HKEY_CURRENT_USER, kAddinKey, L"FriendlyName", L"Parcelon Outlook Addin");
    ExpectString(HKEY_CURRENT_USER, kAddinKey, L"Description", L"Parcelon Outlook Addin");
    DWORD number = 99;
    EXPECT_TRUE(ReadDword(HKEY_CURRENT_USER, kAddinKey, L"LoadBehavior", number));
    EXPECT_EQ(3u, number);
    EXPECT_TRUE(ReadDword(HKEY_CURRENT_USER, kAddinKey, L"CommandLineSafe", number));
    EXPECT_EQ(0u, number);
}

void ExpectNoClassesOfOurs(const ClassesLocation& where) {
    for (const std::wstring& key : {std::wstring(L"Parcelon.OutlookAddin.1"), std::wstring(L"Parcelon.OutlookAddin"),
                                    kClassKey, kTypeLibKey})
        EXPECT_FALSE(ClassesKeyExists(where, key)) << Narrow(where.path + key);
}

void ExpectUnregistered() {
    ExpectNoClassesOfOurs(kClassesRoot);
    ExpectNoClassesOfOurs(kUserClasses);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddinKey));
    // The shared keys stay.
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAddinsKey));
}

}  // namespace testing_support
