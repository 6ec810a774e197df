// The tables bound to libheif.dll: the one beside the plug-in, else the one in the program's
// folder (a user who keeps plug-ins in a folder of their own for several programs copies the
// plug-in alone). LOAD_WITH_ALTERED_SEARCH_PATH on the full path makes Windows look for the
// DLL's own dependency, libde265.dll, in the DLL's folder. The DLL is loaded on the first HEIF
// picture and kept until the process ends: freeing it when the plug-in is unloaded would mean
// calling FreeLibrary under the loader lock.
#include "plugins/ifheif/heif_library.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <mutex>
#include <string>

namespace {

constexpr wchar_t kLibrary[] = L"libheif.dll";
constexpr wchar_t kDependency[] = L"libde265.dll";

struct Binding {
    HeifLibrary library;
    HeifEncodingLibrary encoding;
    bool bound = false;         // library: every function found
    bool encodingBound = false; // encoding too
    char reason[256] = {};      // why not bound, naming the plug-in and what is missing
};

// The full path of a module (null: the program), or empty.
std::wstring ModulePath(HMODULE module) {
    // Paths may be long (\\?\ prefixes): grow until the name fits, up to what Windows allows.
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        std::wstring path(capacity, L'\0');
        const DWORD length = GetModuleFileNameW(module, path.data(), capacity);
        if (length == 0)
            return {};
        if (length < capacity) {
            path.resize(length);
            return path;
        }
    }
    return {};
}

HMODULE Self() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&Self), &self);
    return self;
}

// The folder of a path, its last separator included; empty when it has none.
std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Looks up every function of a table; the first one missing, or null when all were found.
#define TESSAVEL_HEIF_BIND(name)                                                                   \
    table->name = reinterpret_cast<decltype(&::name)>(                                             \
        reinterpret_cast<void*>(GetProcAddress(module, #name)));                                   \
    if (table->name == nullptr && missing == nullptr)                                              \
        missing = #name;

const char* BindTable(HMODULE module, HeifLibrary* table) {
    const char* missing = nullptr;
    TESSAVEL_HEIF_FUNCTIONS(TESSAVEL_HEIF_BIND)
    return missing;
}

const char* BindTable(HMODULE module, HeifEncodingLibrary* table) {
    const char* missing = nullptr;
    TESSAVEL_HEIF_ENCODING_FUNCTIONS(TESSAVEL_HEIF_BIND)
    return missing;
}
#undef TESSAVEL_HEIF_BIND

// Binds the tables to the libheif.dll of the folder; false with the reason when it has one
// that cannot decode. One that decodes but cannot write leaves the encoding table unbound.
bool BindIn(const std::wstring& folder, const char* plugin, Binding* binding) {
    const std::wstring path = folder + kLibrary;
    const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        const DWORD error = GetLastError();
        if (!Exists(folder + kDependency))
            std::snprintf(binding->reason, sizeof binding->reason,
                          "%s cannot load libheif.dll: libde265.dll is not beside it", plugin);
        else
            std::snprintf(binding->reason, sizeof binding->reason,
                          "%s cannot load libheif.dll (Windows error %lu)", plugin,
                          static_cast<unsigned long>(error));
        return false;
    }
    if (const char* missing = BindTable(module, &binding->library)) {
        FreeLibrary(module); // not the libheif we were built for
        std::snprintf(binding->reason, sizeof binding->reason, "%s: libheif.dll lacks %s", plugin,
                      missing);
        return false;
    }
    binding->bound = true;
    binding->encodingBound = BindTable(module, &binding->encoding) == nullptr;
    return true;
}

void Bind(Binding* binding) {
    const std::wstring own = ModulePath(Self());
    const std::wstring folders[] = {FolderOf(own), FolderOf(ModulePath(nullptr))};
    // The plug-in's own file name, for the reason, in the code page its host prints in.
    char plugin[MAX_PATH] = "the HEIF plug-in";
    const size_t slash = own.find_last_of(L"\\/");
    if (slash != std::wstring::npos &&
        WideCharToMultiByte(CP_ACP, 0, own.c_str() + slash + 1, -1, plugin, sizeof plugin, nullptr,
                            nullptr) == 0)
        std::snprintf(plugin, sizeof plugin, "the HEIF plug-in");
    bool found = false;
    for (const std::wstring& folder : folders) {
        if (folder.empty() || !Exists(folder + kLibrary) ||
            (&folder != folders && _wcsicmp(folder.c_str(), folders[0].c_str()) == 0))
            continue;
        // The first folder's reason stands when the second cannot serve either.
        Binding attempt;
        if (BindIn(folder, plugin, &attempt)) {
            *binding = attempt;
            binding->reason[0] = '\0';
            return;
        }
        if (!found)
            std::snprintf(binding->reason, sizeof binding->reason, "%s", attempt.reason);
        found = true;
    }
    if (!found)
        std::snprintf(binding->reason, sizeof binding->reason,
                      "%s finds libheif.dll neither beside it nor in the program's folder", plugin);
}

const Binding* Bound() {
    static Binding binding;
    static bool tried = false;
    static std::once_flag once;
    try {
        std::call_once(once, [] {
            Bind(&binding);
            tried = true;
        });
    } catch (...) { // std::wstring could not allocate a path
        return nullptr;
    }
    return tried ? &binding : nullptr;
}

} // namespace

const HeifLibrary* Heif() {
    const Binding* binding = Bound();
    return binding != nullptr && binding->bound ? &binding->library : nullptr;
}

const HeifEncodingLibrary* HeifEncoding() {
    const Binding* binding = Bound();
    return binding != nullptr && binding->encodingBound ? &binding->encoding : nullptr;
}

const char* HeifUnavailableReason() {
    const Binding* binding = Bound();
    return binding == nullptr ? "the HEIF plug-in is out of memory" : binding->reason;
}
