// One move-only owner for every kind of Windows handle, and the owners the project uses.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <utility>

namespace parcelon {

// Traits give the handle type, its invalid value and how it is released.
template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Handle h) noexcept : handle_(h) {}
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }

    void reset(Handle h = Traits::invalid()) noexcept {
        if (handle_ != Traits::invalid()) Traits::close(handle_);
        handle_ = h;
    }
    Handle release() noexcept { return std::exchange(handle_, Traits::invalid()); }

    // For out-parameters: releases what is held first.
    Handle* put() noexcept {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::invalid();
};

namespace traits {
struct File {
    using Handle = HANDLE;
    static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { ::CloseHandle(h); }
};
struct Find {
    using Handle = HANDLE;
    static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { ::FindClose(h); }
};
struct KernelObject {
    using Handle = HANDLE;
    static constexpr Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::CloseHandle(h); }
};
struct RegKey {
    using Handle = HKEY;
    static constexpr Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::RegCloseKey(h); }
};
struct GlobalMemory {
    using Handle = HGLOBAL;
    static constexpr Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::GlobalFree(h); }
};
struct LocalMemory {
    using Handle = HLOCAL;
    static constexpr Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::LocalFree(h); }
};
struct GdiObject {
    using Handle = HGDIOBJ;
    static constexpr Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::DeleteObject(h); }
};
struct Library {
    using Handle = HMODULE;
    static constexpr Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::FreeLibrary(h); }
};
struct Bstr {
    using Handle = BSTR;
    static constexpr Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { ::SysFreeString(h); }
};
}  // namespace traits

using UniqueFile = UniqueResource<traits::File>;             // CreateFile
using UniqueFindHandle = UniqueResource<traits::Find>;       // FindFirstFile
using UniqueHandle = UniqueResource<traits::KernelObject>;   // events, processes, threads, mappings
using UniqueRegKey = UniqueResource<traits::RegKey>;
using UniqueHGlobal = UniqueResource<traits::GlobalMemory>;
using UniqueHLocal = UniqueResource<traits::LocalMemory>;
using UniqueGdiObject = UniqueResource<traits::GdiObject>;
using UniqueLibrary = UniqueResource<traits::Library>;
using UniqueBstr = UniqueResource<traits::Bstr>;

}  // namespace parcelon
