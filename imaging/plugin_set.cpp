#include "imaging/plugin_set.h"

#include "common/allocator.h"
#include "common/owners.h"
#include "common/paths.h"

PluginSetRecord PluginSet;

namespace {

// Loads one module without the system's error boxes: an unloadable file must not stop an
// unattended batch with a dialog.
HMODULE LoadModuleQuietly(const char* path) {
    DWORD previous = 0;
    const bool changed = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
    HMODULE module = LoadLibraryA(path);
    if (changed)
        SetThreadErrorMode(previous, nullptr);
    return module;
}

} // namespace

void LoadPlugins(const char* directory) {
    UnloadPlugins();

    char pattern[kPathSize];
    if (!FormatBounded(pattern, sizeof pattern, "%s" PLUGIN_PATTERN, directory))
        return; // no such path can exist: nothing matches

    WIN32_FIND_DATAA found;
    int32_t count = 0;
    {
        FindOwner search(FindFirstFileA(pattern, &found));
        if (!search)
            return;
        do
            ++count;
        while (FindNextFileA(search.get(), &found));
    }

    auto* modules = static_cast<HMODULE*>(AllocateZeroedStorage(count, sizeof(HMODULE)));
    if (modules == nullptr)
        return;
    PluginSet.count = count;
    PluginSet.modules = modules;

    FindOwner search(FindFirstFileA(pattern, &found));
    if (!search)
        return;
    int32_t slot = 0;
    do {
        char path[kPathSize];
        // A path that does not fit is a module that can't be loaded: its slot stays empty.
        if (FormatBounded(path, sizeof path, "%s\\%s", directory, found.cFileName))
            modules[slot] = LoadModuleQuietly(path);
        ++slot;
    } while (slot < count && FindNextFileA(search.get(), &found));
}

void UnloadPlugins() {
    for (int32_t i = 0; i < PluginSet.count; ++i) {
        if (PluginSet.modules[i] != nullptr)
            FreeLibrary(PluginSet.modules[i]);
    }
    FreeStorage(PluginSet.modules);
    PluginSet.modules = nullptr;
    PluginSet.count = 0;
}
