// The table bound to the libheif.dll in the plug-in's own folder. LOAD_WITH_ALTERED_SEARCH_PATH
// makes Windows look for the DLL's own dependency, libde265.dll, in that folder too, so the
// plug-in works from any folder a host loads it from. The DLL is loaded on the first HEIF
// picture and kept until the process ends: freeing it when the plug-in is unloaded would mean
// calling FreeLibrary under the loader lock.
#include "plugins/ifheif/heif_library.h"

#include <windows.h>

#include <mutex>
#include <string>

namespace {

// The full path of this module, or empty.
std::wstring OwnPath() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&OwnPath), &self))
        return {};
    // Paths may be long (\\?\ prefixes): grow until the name fits, up to what Windows allows.
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        std::wstring path(capacity, L'\0');
        const DWORD length = GetModuleFileNameW(self, path.data(), capacity);
        if (length == 0)
            return {};
        if (length < capacity) {
            path.resize(length);
            return path;
        }
    }
    return {};
}

// libheif.dll beside this module, loaded once; null when it cannot be.
HMODULE OwnLibrary() {
    std::wstring path = OwnPath();
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return nullptr;
    path.replace(slash + 1, std::wstring::npos, L"libheif.dll");
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadedLibrary() {
    static HMODULE module = nullptr;
    static std::once_flag once;
    std::call_once(once, [] { module = OwnLibrary(); });
    return module;
}

// True when every function of the table was found (else the DLL is not the libheif we were
// built for, and the table stays unused).
#define TESSAVEL_HEIF_BIND(name)                                                                   \
    library->name = reinterpret_cast<decltype(&::name)>(                                           \
        reinterpret_cast<void*>(GetProcAddress(module, #name)));                                   \
    complete = complete && library->name != nullptr;

bool Bind(HeifLibrary* library) {
    const HMODULE module = LoadedLibrary();
    if (module == nullptr)
        return false;
    bool complete = true;
    TESSAVEL_HEIF_FUNCTIONS(TESSAVEL_HEIF_BIND)
    return complete;
}

bool Bind(HeifEncodingLibrary* library) {
    const HMODULE module = LoadedLibrary();
    if (module == nullptr)
        return false;
    bool complete = true;
    TESSAVEL_HEIF_ENCODING_FUNCTIONS(TESSAVEL_HEIF_BIND)
    return complete;
}
#undef TESSAVEL_HEIF_BIND

// The table of type T, bound on first use.
template <typename T> const T* Bound() {
    static T library;
    static bool bound = false;
    static std::once_flag once;
    try {
        std::call_once(once, [] { bound = Bind(&library); });
    } catch (...) { // std::wstring could not allocate the path
        return nullptr;
    }
    return bound ? &library : nullptr;
}

} // namespace

const HeifLibrary* Heif() {
    return Bound<HeifLibrary>();
}

const HeifEncodingLibrary* HeifEncoding() {
    return Bound<HeifEncodingLibrary>();
}
