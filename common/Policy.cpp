// Policy values: the machine's before the user's, each checked before it is trusted.
#include "Policy.h"

#include "DiagnosticLog.h"
#include "TextConversion.h"
#include "UniqueResource.h"

namespace parcelon {

namespace {
// Group Policy writes with the 64-bit registry view; the 32-bit add-in reads the same one.
std::optional<DWORD> ReadDwordUnder(HKEY root, const char* rootName, const wchar_t* valueName) {
    UniqueRegKey key;
    if (RegOpenKeyExW(root, kPolicyKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG code = RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (code == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (code == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value) return value;
    PARCELON_LOG_ERROR("The policy %s\\%s\\%s is not a DWORD (type %lu, error %ld); ignored.", rootName,
                       Utf8FromWide(kPolicyKey).c_str(), Utf8FromWide(valueName).c_str(), type, code);
    return std::nullopt;
}
}  // namespace

std::optional<DWORD> ReadPolicyDword(const wchar_t* valueName) {
    if (std::optional<DWORD> machine = ReadDwordUnder(HKEY_LOCAL_MACHINE, "HKLM", valueName)) return machine;
    return ReadDwordUnder(HKEY_CURRENT_USER, "HKCU", valueName);
}

std::optional<DWORD> ReadPolicyInRange(const wchar_t* valueName, DWORD lowest, DWORD highest) {
    std::optional<DWORD> value = ReadPolicyDword(valueName);
    if (!value || (*value >= lowest && *value <= highest)) return value;
    PARCELON_LOG_ERROR("The policy %s is %lu, outside %lu to %lu; ignored.", Utf8FromWide(valueName).c_str(), *value,
                       lowest, highest);
    return std::nullopt;
}

}  // namespace parcelon
