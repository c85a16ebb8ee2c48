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

}  // namespace parcelon
