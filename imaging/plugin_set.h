// The Susie plug-in modules of one run, loaded once and kept for the whole batch.
#pragma once

#include <windows.h>

#include <cstdint>

// Plug-ins of the 32-bit interface are ".spi" modules; 64-bit builds of the same interface
// are distributed as ".sph" (a 64-bit process can load no .spi). Each build searches for
// its own kind.
#if defined(_WIN64)
#define PLUGIN_PATTERN "\\*.sph"
#else
#define PLUGIN_PATTERN "\\*.spi"
#endif

struct PluginSetRecord {
    int32_t count = 0;          // files that matched the pattern when the set was loaded
    HMODULE* modules = nullptr; // one slot per match, in search order; null where loading failed
};

extern PluginSetRecord PluginSet;

// Fills the PluginSet with the modules of the directory (called once, on an empty set).
void LoadPlugins(const char* directory);
// Frees every loaded module and the slot array; the set is empty afterwards.
void UnloadPlugins();
