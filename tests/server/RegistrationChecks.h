// What a registration of Parcelon.dll leaves in the registry, checked under the machine's
// classes or the current user's.
#pragma once

#include <windows.h>
#include <string>

namespace testing_support {

// Where classes keys are read: a hive and the path of the classes below it.
struct ClassesLocation {
    HKEY hive;
    std::wstring path;  // empty, or ending with a backslash
};
// HKEY_CLASSES_ROOT as this process sees it, and the current user's own classes.
extern const ClassesLocation kClassesRoot;
extern const ClassesLocation kUserClasses;

extern const std::wstring kAddinsKey;  // under HKEY_CURRENT_USER
extern const std::wstring kAddinKey;

bool ClassesKeyExists(const ClassesLocation& where, const std::wstring& key);

// Every key and value of the registration, the server's path among them.
void ExpectRegistered(const ClassesLocation& where, const std::wstring& modulePath);
// None of the registration's class keys under `where`.
void ExpectNoClassesOfOurs(const ClassesLocation& where);
// Nothing of ours in either classes, no add-in key; the shared keys stay.
void ExpectUnregistered();

}  // namespace testing_support
