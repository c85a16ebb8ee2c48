// Settings administrators give through Group Policy, read from the policy keys of the
// machine and of the user; the machine's wins.
#pragma once

#include <optional>
#include <windows.h>

namespace parcelon {

// The DWORD of a policy value under HKLM\Software\Policies\Kestrelbay\Parcelon, else HKCU's;
// none when absent. A value of the wrong type is ignored and written to the diagnostic log.
std::optional<DWORD> ReadPolicyDword(const wchar_t* valueName);

}  // namespace parcelon
