// Settings administrators give through Group Policy.
#include "Policy.h"

#include "DiagnosticLog.h"
#include "TextConversion.h"
#include "UniqueResource.h"

namespace parcelon {

namespace {
constexpr const wchar_t* kPolicyKey = L"Software\\Policies\\Kestrelbay\\Parcelon";

std::optional<DWORD> ReadFrom(HKEY root, const char* rootName, const wchar_t* valueName) {
    UniqueRegKey key;
    if (RegOpenKeyExW(root, kPolicyKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG code = RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (code == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (code == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value) return value;
    PARCELON_LOG_ERROR("The policy value %s\\Software\\Policies\\Kestrelbay\\Parcelon\\%s is not a DWORD; ignored",
                       rootName, Utf8FromWide(valueName).c_str());
    return std::nullopt;
}
}  // namespace

std::optional<DWORD> ReadPolicyDword(const wchar_t* valueName) {
    if (std::optional<DWORD> machine = ReadFrom(HKEY_LOCAL_MACHINE, "HKLM", valueName)) return machine;
    return ReadFrom(HKEY_CURRENT_USER, "HKCU", valueName);
}

}  // namespace parcelon
