// Registering and unregistering the server.
#include "Registrar.h"

#include <oleauto.h>

#include "common/ComPtr.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"

namespace parcelon {

namespace {
bool Missing(LONG status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

LONG SetValue(HKEY key, const ScriptValue& value) {
    const wchar_t* name = value.name.empty() ? nullptr : value.name.c_str();
    if (value.type == REG_DWORD)
        return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                              sizeof value.number);
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                          static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t)));
}

LONG RegisterKey(HKEY parent, const ScriptKey& key) {
    if (key.forceRemove) {
        LONG status = RegDeleteTreeW(parent, key.name.c_str());
        if (status != ERROR_SUCCESS && !Missing(status)) return status;
    }
    UniqueRegKey opened;
    LONG status = RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                  opened.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    if (key.hasDefault && (status = SetValue(opened.get(), key.defaultValue)) != ERROR_SUCCESS) return status;
    for (const ScriptValue& value : key.values)
        if ((status = SetValue(opened.get(), value)) != ERROR_SUCCESS) return status;
    for (const ScriptKey& subkey : key.subkeys)
        if ((status = RegisterKey(opened.get(), subkey)) != ERROR_SUCCESS) return status;
    return ERROR_SUCCESS;
}

LONG UnregisterKey(HKEY parent, const ScriptKey& key) {
    UniqueRegKey opened;
    LONG status = RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, opened.put());
    if (Missing(status)) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    for (const ScriptKey& subkey : key.subkeys)
        if ((status = UnregisterKey(opened.get(), subkey)) != ERROR_SUCCESS) return status;
    if (key.noRemove) return ERROR_SUCCESS;
    if (key.forceRemove) {
        opened.reset();
        status = RegDeleteTreeW(parent, key.name.c_str());
        return Missing(status) ? ERROR_SUCCESS : status;
    }
    for (const ScriptValue& value : key.values) {
        status = RegDeleteValueW(opened.get(), value.name.c_str());
        if (status != ERROR_SUCCESS && !Missing(status)) return status;
    }
    DWORD subkeys = 0;
    status = RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    opened.reset();
    if (subkeys > 0) return ERROR_SUCCESS;  // someone else's keys live below it
    status = RegDeleteKeyW(parent, key.name.c_str());
    return Missing(status) ? ERROR_SUCCESS : status;
}
}  // namespace

HRESULT ApplyRegistryScript(const RegistryScript& script, bool registering) {
    for (const ScriptRoot& root : script.roots) {
        for (const ScriptKey& key : root.keys) {
            LONG status = registering ? RegisterKey(root.root, key) : UnregisterKey(root.root, key);
            if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
        }
    }
    return S_OK;
}

std::wstring ModulePath(HINSTANCE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

HRESULT UpdateRegistryFromResource(HINSTANCE module, UINT id, bool registering) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    std::wstring path = ModulePath(module);
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_BAD_PATHNAME);

    RegistryScript script;
    std::wstring error;
    std::string text(bytes, SizeofResource(module, found));
    if (!ParseRegistryScript(WideFromAnsi(text), {{L"MODULE", path}}, script, error)) {
        OutputDebugStringW((L"Parcelon: registrar script: " + error + L"\n").c_str());
        return DISP_E_EXCEPTION;
    }
    return ApplyRegistryScript(script, registering);
}

HRESULT UpdateTypeLibrary(HINSTANCE module, bool registering) {
    std::wstring path = ModulePath(module);
    if (path.empty()) return HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME);
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr)) return hr;
    if (registering) return RegisterTypeLib(library.get(), const_cast<LPOLESTR>(path.c_str()), nullptr);
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    hr = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                           attributes->syskind);
    library->ReleaseTLibAttr(attributes);
    return hr;
}

}  // namespace parcelon
