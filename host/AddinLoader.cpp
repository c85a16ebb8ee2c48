// Loading add-ins the way Outlook does.
#include "AddinLoader.h"

#include <cstdio>

#include "client/addin/AddinIds.h"
#include "common/TextConversion.h"
#include "common/UniqueResource.h"
#include "server/Registrar.h"

namespace host {

namespace {
constexpr wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";
constexpr long ext_cm_Startup = 1;
constexpr long ext_dm_HostShutdown = 0;

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Narrow(const std::wstring& text) { return parcelon::Utf8FromWide(text); }

// An empty SAFEARRAY of variants for the custom argument of the connection calls.
struct CustomArray {
    CustomArray() : array(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
    ~CustomArray() {
        if (array) SafeArrayDestroy(array);
    }
    SAFEARRAY* array;
};
}  // namespace

bool RegisterServerDll(const std::wstring& path, std::string& message) {
    parcelon::UniqueLibrary module(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) {
        message = "cannot load " + Narrow(path) + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    using Register = HRESULT(STDAPICALLTYPE*)();
    auto function = reinterpret_cast<Register>(
        reinterpret_cast<void (*)()>(GetProcAddress(module.get(), "DllRegisterServer")));
    if (!function) {
        message = Narrow(path) + " has no DllRegisterServer";
        return false;
    }
    HRESULT hr = function();
    if (FAILED(hr)) {
        char text[64];
        snprintf(text, sizeof text, "DllRegisterServer failed: 0x%08lX", static_cast<unsigned long>(hr));
        message = text;
        return false;
    }
    return true;
}

std::wstring RegisteredParcelonDll() {
    CLSID classId = {};
    if (FAILED(CLSIDFromProgID(parcelon::kVersionIndependentProgId, &classId))) return L"";
    wchar_t text[64] = {};
    StringFromGUID2(classId, text, 64);
    std::wstring key = std::wstring(L"CLSID\\") + text + L"\\InprocServer32";
    DWORD size = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return L"";
    std::wstring path(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, &path[0], &size) != ERROR_SUCCESS)
        return L"";
    path.resize(wcslen(path.c_str()));
    bool registeredHere = FileExists(path);
    // Outlook would need the add-in key as well.
    std::wstring addinKey = std::wstring(kAddinsKey) + L"\\" + parcelon::kVersionIndependentProgId;
    DWORD behavior = 0, behaviorSize = sizeof behavior;
    bool loads = RegGetValueW(HKEY_CURRENT_USER, addinKey.c_str(), L"LoadBehavior", RRF_RT_REG_DWORD, nullptr,
                              &behavior, &behaviorSize) == ERROR_SUCCESS &&
                 behavior == 3;
    return registeredHere && loads ? path : L"";
}

std::wstring OwnBuildParcelonDll() {
    std::wstring hostFolder = FolderOf(parcelon::ModulePath(nullptr));  // ...\host\ .
    return FolderOf(hostFolder.substr(0, hostFolder.size() - 1)) + L"server\\Parcelon.dll";
}

void AddinLoader::LoadAll(IDispatch* application, standin::AddinRibbons& ribbons) {
    parcelon::UniqueRegKey addins;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kAddinsKey, 0, KEY_READ, addins.put()) != ERROR_SUCCESS) {
        printf("no add-ins registered\n");
        return;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(addins.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DWORD behavior = 0, size = sizeof behavior;
        if (RegGetValueW(addins.get(), name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior, &size) !=
                ERROR_SUCCESS ||
            behavior != 3)
            continue;
        LoadedAddin addin{name, {}};
        CLSID classId = {};
        HRESULT hr = CLSIDFromProgID(name, &classId);
        LARGE_INTEGER frequency, created, connected;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&created);
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, parcelon::IID_IDTExtensibility2,
                                  addin.connection.putVoid());
        if (FAILED(hr) || !addin.connection) {
            printf("add-in not loaded: %s (0x%08lX)\n", Narrow(name).c_str(), static_cast<unsigned long>(hr));
            continue;
        }
        CustomArray custom;
        hr = addin.connection->OnConnection(application, ext_cm_Startup, nullptr, &custom.array);
        QueryPerformanceCounter(&connected);
        addin.startupMilliseconds = 1000.0 * (connected.QuadPart - created.QuadPart) / frequency.QuadPart;
        if (hr != S_OK) {
            printf("add-in refused the connection: %s (0x%08lX)\n", Narrow(name).c_str(),
                   static_cast<unsigned long>(hr));
            addin.connection->OnDisconnection(ext_dm_HostShutdown, &custom.array);
            continue;
        }
        ribbons.Connect(name, addin.connection.get());
        addin.connection->OnStartupComplete(&custom.array);
        printf("add-in loaded: %s (start-up %.2f ms)\n", Narrow(name).c_str(), addin.startupMilliseconds);
        loaded_.push_back(std::move(addin));
    }
}

void AddinLoader::UnloadAll() {
    for (LoadedAddin& addin : loaded_) {
        CustomArray custom;
        addin.connection->OnBeginShutdown(&custom.array);
        addin.connection->OnDisconnection(ext_dm_HostShutdown, &custom.array);
        addin.connection.reset();
    }
    loaded_.clear();
}

void AddinLoader::BeginShutdownAll() {
    for (LoadedAddin& addin : loaded_) {
        CustomArray custom;
        addin.connection->OnBeginShutdown(&custom.array);
    }
}

bool AddinLoader::Loaded(const std::wstring& progId) const {
    for (const LoadedAddin& addin : loaded_)
        if (_wcsicmp(addin.progId.c_str(), progId.c_str()) == 0) return true;
    return false;
}

}  // namespace host
