// Outlook's automation class in the registry.
#include "OutlookRegistration.h"

#include "common/UniqueResource.h"

namespace host {

const CLSID kOutlookApplicationClsid = {0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {
constexpr const wchar_t* kProgIdKey = L"Outlook.Application";
constexpr const wchar_t* kClsidText = L"{0006F03A-0000-0000-C000-000000000046}";
constexpr const wchar_t* kClsidKey = L"CLSID\\{0006F03A-0000-0000-C000-000000000046}";

bool SetDefaultValue(const std::wstring& keyPath, const std::wstring& value) {
    parcelon::UniqueRegKey key;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}

bool DeleteTree(const wchar_t* keyPath) {
    LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyW(HKEY_CLASSES_ROOT, keyPath);
        return true;
    }
    return false;
}
}  // namespace

bool RegisterOutlookServer(const std::wstring& command) {
    return SetDefaultValue(kProgIdKey, L"Microsoft Outlook") &&
           SetDefaultValue(std::wstring(kProgIdKey) + L"\\CLSID", kClsidText) &&
           SetDefaultValue(kClsidKey, L"Microsoft Outlook") &&
           SetDefaultValue(std::wstring(kClsidKey) + L"\\ProgID", kProgIdKey) &&
           SetDefaultValue(std::wstring(kClsidKey) + L"\\LocalServer32", command);
}

bool UnregisterOutlookServer() {
    bool progId = DeleteTree(kProgIdKey);
    return DeleteTree(kClsidKey) && progId;
}

}  // namespace host
