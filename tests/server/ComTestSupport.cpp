// What the COM server tests share.
#include "ComTestSupport.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include "server/Registrar.h"

namespace testing_support {

namespace {
class ApartmentEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override { CoUninitialize(); }
};
const auto* const apartment = ::testing::AddGlobalTestEnvironment(new ApartmentEnvironment);

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }
}  // namespace

std::wstring BesideProgram(const std::wstring& name) { return FolderOf(parcelon::ModulePath(nullptr)) + name; }

std::wstring BuildFile(const std::wstring& relative) {
    std::wstring folder = FolderOf(parcelon::ModulePath(nullptr));  // ...\tests\<folder>\ .
    for (int up = 0; up < 2; ++up) folder = FolderOf(folder.substr(0, folder.size() - 1));
    return folder + relative;
}

ServerDll::ServerDll() : path_(BuildFile(L"server\\Parcelon.dll")), module_(LoadLibraryW(path_.c_str())) {}

template <class Function>
Function ServerDll::Export(const char* name) const {
    // Through the generic function type, which any function pointer type may be cast to.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module_.get(), name)));
}

HRESULT ServerDll::CanUnloadNow() const {
    auto f = Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
    return f ? f() : E_NOTIMPL;
}

HRESULT ServerDll::GetClassObject(REFCLSID classId, REFIID iid, void** out) const {
    auto f = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    return f ? f(classId, iid, out) : E_NOTIMPL;
}

HRESULT ServerDll::Register() const {
    auto f = Export<HRESULT(STDAPICALLTYPE*)()>("DllRegisterServer");
    return f ? f() : E_NOTIMPL;
}

HRESULT ServerDll::Unregister() const {
    auto f = Export<HRESULT(STDAPICALLTYPE*)()>("DllUnregisterServer");
    return f ? f() : E_NOTIMPL;
}

bool KeyExists(HKEY root, const std::wstring& subkey) {
    parcelon::UniqueRegKey key;
    return RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool ReadString(HKEY root, const std::wstring& subkey, const wchar_t* name, std::wstring& text) {
    wchar_t buffer[1024] = {};
    DWORD type = 0, size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(root, subkey.c_str(), name && *name ? name : nullptr, RRF_RT_ANY, &type, buffer, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    text = buffer;
    return true;
}

bool ReadDword(HKEY root, const std::wstring& subkey, const wchar_t* name, DWORD& number) {
    DWORD type = 0, size = sizeof number;
    return RegGetValueW(root, subkey.c_str(), name, RRF_RT_ANY, &type, &number, &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

void DeleteTree(HKEY root, const std::wstring& subkey) { RegDeleteTreeW(root, subkey.c_str()); }

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

}  // namespace testing_support
