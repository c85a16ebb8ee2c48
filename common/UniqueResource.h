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

// Handles whose invalid value is null, released by `Close`.
template <typename H, auto Close>
struct NullIsInvalid {
    using Handle = H;
    static constexpr Handle invalid() noexcept { return nullptr; }
    static void close(Handle h) noexcept { Close(h); }
};

// Handles whose invalid value is INVALID_HANDLE_VALUE (files, searches).
template <auto Close>
struct MinusOneIsInvalid {
    using Handle = HANDLE;
    static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { Close(h); }
};

using UniqueFile = UniqueResource<MinusOneIsInvalid<&::CloseHandle>>;      // CreateFile
using UniqueFindHandle = UniqueResource<MinusOneIsInvalid<&::FindClose>>;  // FindFirstFile
using UniqueHandle = UniqueResource<NullIsInvalid<HANDLE, &::CloseHandle>>;  // events, processes, mappings
using UniqueRegKey = UniqueResource<NullIsInvalid<HKEY, &::RegCloseKey>>;
using UniqueHGlobal = UniqueResource<NullIsInvalid<HGLOBAL, &::GlobalFree>>;
using UniqueHLocal = UniqueResource<NullIsInvalid<HLOCAL, &::LocalFree>>;
using UniqueGdiObject = UniqueResource<NullIsInvalid<HGDIOBJ, &::DeleteObject>>;
using UniqueLibrary = UniqueResource<NullIsInvalid<HMODULE, &::FreeLibrary>>;
using UniqueBstr = UniqueResource<NullIsInvalid<BSTR, &::SysFreeString>>;

}  // namespace parcelon
