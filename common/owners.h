// Owners for what Windows hands out: each releases its object when it goes out of scope,
// on every way out of the function that holds it.
#pragma once

#include <windows.h>

// Traits give the handle type, its "none" value and how it is released.
template <class Traits> struct Owner {
    using Handle = typename Traits::Handle;
    Handle handle = Traits::None();
    Owner() = default;
    explicit Owner(Handle h) : handle(h) {}
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    ~Owner() { reset(); }
    void reset(Handle h = Traits::None()) {
        if (handle != Traits::None())
            Traits::Release(handle);
        handle = h;
    }
    Handle release() {
        Handle h = handle;
        handle = Traits::None();
        return h;
    }
    explicit operator bool() const { return handle != Traits::None(); }
    Handle get() const { return handle; }
};

struct FileTraits { // CreateFile*: INVALID_HANDLE_VALUE is "none"
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle h) { CloseHandle(h); }
};
struct FindTraits { // FindFirstFile*
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Release(Handle h) { FindClose(h); }
};
struct KernelHandleTraits { // processes, threads: null is "none"
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static void Release(Handle h) { CloseHandle(h); }
};
struct DcTraits {
    using Handle = HDC;
    static Handle None() { return nullptr; }
    static void Release(Handle h) { DeleteDC(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle None() { return nullptr; }
    static void Release(Handle h) { DeleteObject(h); }
};
struct LocalTraits {
    using Handle = HLOCAL;
    static Handle None() { return nullptr; }
    static void Release(Handle h) { LocalFree(h); }
};

using FileOwner = Owner<FileTraits>;

// An existing file opened for reading, for a FileOwner, others still free to read it;
// INVALID_HANDLE_VALUE when it cannot be (GetLastError says why).
inline HANDLE OpenForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
using FindOwner = Owner<FindTraits>;
using KernelHandleOwner = Owner<KernelHandleTraits>;
using DcOwner = Owner<DcTraits>;
using GdiObjectOwner = Owner<GdiObjectTraits>;
using LocalOwner = Owner<LocalTraits>;
