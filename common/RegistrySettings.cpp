// Text values in the registry, with failed registry calls reported to the diagnostic log.
#include "RegistrySettings.h"

#include <cstring>

#include "DiagnosticLog.h"
#include "TextConversion.h"
#include "UniqueResource.h"

namespace parcelon {

namespace {
constexpr DWORD kStringBufferSize = 256;
constexpr const char* kReadFailedLine = "ReadStringFromRegistry has failed.\n";
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
        OutputDebugStringA(kReadFailedLine);
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

LONG QueryTextValue(HKEY key, const char* valueName, std::string& utf8Text) {
    std::wstring name = WideFromUtf8(valueName);
    std::wstring text;
    for (;;) {
        DWORD type = 0, size = 0;
        LONG code = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
        if (code != ERROR_SUCCESS) return code;
        if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATATYPE;
        text.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        code = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size);
        if (code == ERROR_MORE_DATA) continue;  // changed in between
        if (code != ERROR_SUCCESS) return code;
        // Stored values need not end with a zero; the buffer has one more after the data.
        text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
        utf8Text = Utf8FromWide(text);
        return ERROR_SUCCESS;
    }
}

bool ReadPathFromRegistry(HKEY root, const char* keyPath, const char* valueName, std::string& utf8Path) {
    UniqueRegKey key;
    LONG code = RegOpenKeyExW(root, WideFromUtf8(keyPath).c_str(), 0, KEY_READ, key.put());
    if (code != ERROR_SUCCESS) PARCELON_LOG_ERROR("RegOpenKeyEx call has failed.");
    std::string path;
    if (code == ERROR_SUCCESS) code = QueryTextValue(key.get(), valueName, path);
    if (code != ERROR_SUCCESS) {
        OutputDebugStringA(kReadFailedLine);
        return false;
    }
    utf8Path = std::move(path);
    return true;
}

}  // namespace parcelon
