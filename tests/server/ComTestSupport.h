// What the COM server tests share: a single-threaded apartment for the whole program, the
// real Parcelon.dll of this build, and reading the registry back.
#pragma once

#include <string>
#include <windows.h>

#include "common/UniqueResource.h"

namespace testing_support {

// Full path of a file of this build, given relative to the build folder (the test
// program lives in tests/<folder>/), for example L"server\\Parcelon.dll".
std::wstring BuildFile(const std::wstring& relative);
// Full path of a file next to the test program.
std::wstring BesideProgram(const std::wstring& name);

// Parcelon.dll loaded with LoadLibrary, and its four exports.
class ServerDll {
public:
    ServerDll();
    bool loaded() const { return static_cast<bool>(module_); }
    HMODULE module() const { return module_.get(); }
    const std::wstring& path() const { return path_; }

    HRESULT CanUnloadNow() const;
    HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** out) const;
    HRESULT Register() const;
    HRESULT Unregister() const;

private:
    template <class Function>
    Function Export(const char* name) const;

    std::wstring path_;
    parcelon::UniqueLibrary module_;
};

bool KeyExists(HKEY root, const std::wstring& subkey);
// The REG_SZ value (empty name: the default value); false when absent or of another type.
bool ReadString(HKEY root, const std::wstring& subkey, const wchar_t* name, std::wstring& text);
bool ReadDword(HKEY root, const std::wstring& subkey, const wchar_t* name, DWORD& number);
void DeleteTree(HKEY root, const std::wstring& subkey);
// "{XXXXXXXX-...}" in upper case, as registry keys carry it.
std::wstring GuidText(const GUID& guid);

}  // namespace testing_support
