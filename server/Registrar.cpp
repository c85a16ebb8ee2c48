// Registering and unregistering the server.
#include "Registrar.h"

#include <oleauto.h>
#include <cwchar>

#include "common/ComPtr.h"
#include "common/TextConversion.h"

// Declared by the platform's oleauto.h only from the Windows SDK; the import library has them.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* fullPath, OLECHAR* helpDir);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);

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
    // A shared key is only walked, so a standard user gets past the machine's CLSID key.
    REGSAM access = key.noRemove ? KEY_READ : KEY_READ | KEY_WRITE;
    UniqueRegKey opened;
    LONG status = RegOpenKeyExW(parent, key.name.c_str(), 0, access, opened.put());
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

LONG OpenClassesRoot(RegistrationScope scope, bool registering, UniqueRegKey& key) {
    HKEY hive = scope == RegistrationScope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    if (!registering && scope == RegistrationScope::Machine)
        return RegOpenKeyExW(hive, L"Software\\Classes", 0, KEY_READ, key.put());
    // The user's classes are created when missing, as in a new profile.
    return RegCreateKeyExW(hive, L"Software\\Classes", 0, nullptr, 0, registering ? KEY_READ | KEY_WRITE : KEY_READ,
                           nullptr, key.put(), nullptr);
}

HRESULT ApplyRegistryScript(const RegistryScript& script, HKEY classesRoot, bool registering) {
    for (const ScriptRoot& root : script.roots) {
        HKEY base = root.root == HKEY_CLASSES_ROOT ? classesRoot : root.root;
        for (const ScriptKey& key : root.keys) {
            LONG status = registering ? RegisterKey(base, key) : UnregisterKey(base, key);
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

HRESULT UpdateRegistryFromResource(HINSTANCE module, UINT id, RegistrationScope scope, bool registering) {
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
    UniqueRegKey classes;
    LONG status = OpenClassesRoot(scope, registering, classes);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    return ApplyRegistryScript(script, classes.get(), registering);
}

namespace {
// True when the classes of `scope` hold this version of the library.
bool HoldsTypeLibrary(RegistrationScope scope, const TLIBATTR& attributes) {
    wchar_t version[24] = {};
    swprintf(version, 24, L"\\%x.%x", attributes.wMajorVerNum, attributes.wMinorVerNum);
    wchar_t guid[40] = {};
    StringFromGUID2(attributes.guid, guid, 40);
    UniqueRegKey classes, key;
    return OpenClassesRoot(scope, false, classes) == ERROR_SUCCESS &&
           RegOpenKeyExW(classes.get(), (std::wstring(L"TypeLib\\") + guid + version).c_str(), 0, KEY_READ,
                         key.put()) == ERROR_SUCCESS;
}
}  // namespace

HRESULT UpdateTypeLibrary(HINSTANCE module, RegistrationScope scope, bool registering) {
    std::wstring path = ModulePath(module);
    if (path.empty()) return HRESULT_FROM_WIN32(ERROR_BAD_PATHNAME);
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr)) return hr;
    const bool user = scope == RegistrationScope::User;
    if (registering) {
        auto* fullPath = const_cast<LPOLESTR>(path.c_str());
        return user ? RegisterTypeLibForUser(library.get(), fullPath, nullptr)
                    : RegisterTypeLib(library.get(), fullPath, nullptr);
    }
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    if (HoldsTypeLibrary(scope, *attributes)) {
        const TLIBATTR& a = *attributes;
        hr = user ? UnRegisterTypeLibForUser(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind)
                  : UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
    }
    library->ReleaseTLibAttr(attributes);
    return hr;
}

}  // namespace parcelon
