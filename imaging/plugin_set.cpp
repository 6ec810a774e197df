#include "imaging/plugin_set.h"

#include "common/allocator.h"
#include "common/directory_search.h"
#include "common/owners.h"
#include "common/paths.h"

PluginSetRecord PluginSet;

namespace {

// Loads one module without the system's error boxes: an unloadable file must not stop an
// unattended batch with a dialog.
HMODULE LoadModuleQuietly(const char* path) {
    DWORD previous = 0;
    const bool changed =
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
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

    DirectorySearch search;
    DirectoryEntry found;
    int32_t count = 0;
    if (!search.Start(pattern))
        return;
    while (search.Next(found))
        ++count;

    auto* modules = static_cast<HMODULE*>(AllocateZeroedStorage(count, sizeof(HMODULE)));
    if (modules == nullptr)
        return;
    PluginSet.count = count;
    PluginSet.modules = modules;

    if (!search.Start(pattern))
        return;
    for (int32_t slot = 0; slot < count && search.Next(found); ++slot) {
        char path[kPathSize];
        // A path that does not fit, or a name the code page cannot hold exactly (its narrow
        // form would load another module, or none), is a module that can't be loaded: its
        // slot stays empty.
        if (found.exact && FormatBounded(path, sizeof path, "%s\\%s", directory, found.name))
            modules[slot] = LoadModuleQuietly(path);
    }
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
