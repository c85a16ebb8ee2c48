// What an administrator sets for the whole company (Group Policy, Intune) under
// Software\Policies\Kestrelbay\Parcelon: read where Parcelon decides, never cached, so a
// policy refreshed while Outlook runs counts from the next use on.
#pragma once

#include <optional>
#include <windows.h>

namespace parcelon {

constexpr const wchar_t* kPolicyKey = L"Software\\Policies\\Kestrelbay\\Parcelon";

// The DWORD of a policy value under HKLM\Software\Policies\Kestrelbay\Parcelon, else HKCU's;
// none when absent. A value of the wrong type is ignored and written to the diagnostic log.
std::optional<DWORD> ReadPolicyDword(const wchar_t* valueName);

// ReadPolicyDword's value when it lies within [lowest, highest]; one outside is ignored and
// written to the diagnostic log.
std::optional<DWORD> ReadPolicyInRange(const wchar_t* valueName, DWORD lowest, DWORD highest);

}  // namespace parcelon
