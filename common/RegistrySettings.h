// Text values in the registry: read and write under a root key and key path, with the
// failures of the registry calls reported to the diagnostic log.
#pragma once

#include <string>
#include <windows.h>

namespace parcelon {

// The add-in's home folder, under DiagnosticLog::kSettingsKey; set by the installer.
constexpr const char* kHomeValueName = "Parcelon Home";

// Both return the Windows error code of the registry call (0 on success). The key is
// opened, never created.
LONG ReadRegistryValue(HKEY root, const char* keyPath, const char* valueName, DWORD* type, BYTE* data,
                       DWORD* size);
LONG WriteRegistryValue(HKEY root, const char* keyPath, const char* valueName, DWORD type, const BYTE* data,
                        DWORD size);

// At most 255 characters are read; `text` is changed only when the read succeeds.
bool ReadStringFromRegistry(HKEY root, const char* keyPath, const char* valueName, std::string& text);
bool WriteStringToRegistry(HKEY root, const char* keyPath, const char* valueName, const std::string& text);

// A text value (REG_SZ or REG_EXPAND_SZ, not expanded) of an open key, read as UTF-16 and
// given as UTF-8, whatever its length; the error code of the registry call. Nothing is
// reported: for callers to whom a missing value is no error.
LONG QueryTextValue(HKEY key, const char* valueName, std::string& utf8Text);
// A value that names a path, such as "Parcelon Home": read like ReadStringFromRegistry, with
// the same reports, but losslessly and without its length limit.
bool ReadPathFromRegistry(HKEY root, const char* keyPath, const char* valueName, std::string& utf8Path);

}  // namespace parcelon
