// Text values in the registry, with failed registry calls reported to the diagnostic log.
#include "RegistrySettings.h"

#include <cstring>

#include "DiagnosticLog.h"
#include "UniqueResource.h"

namespace parcelon {

namespace {
constexpr DWORD kStringBufferSize = 256;
}

LONG ReadRegistryValue(HKEY root, const char* keyPath, const char* valueName, DWORD* type, BYTE* data,
                       DWORD* size) {
    UniqueRegKey key;
    LONG code = RegOpenKeyExA(root, keyPath, 0, KEY_READ, key.put());
    if (code != ERROR_SUCCESS) {
        PARCELON_LOG_ERROR("RegOpenKeyEx call has failed.");
        return code;
    }
    // A missing value is an ordinary answer for the callers, so the query is not logged.
    return RegQueryValueExA(key.get(), valueName, nullptr, type, data, size);
}

LONG WriteRegistryValue(HKEY root, const char* keyPath, const char* valueName, DWORD type, const BYTE* data,
                        DWORD size) {
    UniqueRegKey key;
    LONG code = RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, key.put());
    if (code != ERROR_SUCCESS) {
        PARCELON_LOG_ERROR("RegOpenKeyEx call has failed with error = %d.", static_cast<int>(code));
        return code;
    }
    code = RegSetValueExA(key.get(), valueName, 0, type, data, size);
    if (code != ERROR_SUCCESS) PARCELON_LOG_ERROR("RegSetValueEx call has failed with error = %d.", static_cast<int>(code));
    return code;
}

bool ReadStringFromRegistry(HKEY root, const char* keyPath, const char* valueName, std::string& text) {
    BYTE buffer[kStringBufferSize] = {};
    DWORD type = REG_SZ, size = kStringBufferSize;
    if (ReadRegistryValue(root, keyPath, valueName, &type, buffer, &size) != ERROR_SUCCESS) {
        OutputDebugStringA("ReadStringFromRegistry has failed.\n");
        return false;
    }
    // Stored values need not end with a zero: never read past the buffer.
    const char* chars = reinterpret_cast<const char*>(buffer);
    text.assign(chars, strnlen(chars, kStringBufferSize));
    return true;
}

bool WriteStringToRegistry(HKEY root, const char* keyPath, const char* valueName, const std::string& text) {
    return WriteRegistryValue(root, keyPath, valueName, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace parcelon
