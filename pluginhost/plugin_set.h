// The Susie plug-in modules of one run, loaded once and kept for the whole batch.
#pragma once

#include <windows.h>

#include "plugins/include/susie_plugin.h"
#include "plugins/include/tessavel_plugin.h"

#include <cstdint>

// Plug-ins of the 32-bit interface are ".spi" modules; 64-bit builds of the same interface
// are distributed as ".sph" (a 64-bit process can load no .spi). Each build searches for
// its own kind.
#define PLUGIN_PATTERN "\\*" SUSIE_PLUGIN_EXTENSION

// What a loaded module exports, looked up once when it is loaded.
struct PluginExports {
    IsSupportedFunction isSupported = nullptr;
    GetPictureFunction getPicture = nullptr;
    // Our own exports (tessavel_plugin.h): both or neither, and only for a reentrant module,
    // since the scaled decode is called without the plug-in lock.
    GetPictureScaledSizeFunction scaledSize = nullptr;
    GetPictureScaledFunction scaled = nullptr;
    GetPictureMetadataFunction iccProfile = nullptr; // these three only beside the scaled pair
    GetPictureMetadataFunction exif = nullptr;
    GetPictureScaledRowsFunction scaledRows = nullptr;
    bool reentrant = false; // PluginIsReentrant says so: called without the plug-in lock
    // Writing (tessavel_plugin.h), only for a reentrant module that exports both: the
    // extensions it writes, copied when loaded ("" when it writes none), and its encoder.
    char encodedExtensions[64] = {};
    EncodePictureFunction encode = nullptr;
    GetPluginUnavailableReasonFunction unavailableReason = nullptr; // of any plug-in
};

struct PluginSetRecord {
    int32_t count = 0;          // files that matched the pattern when the set was loaded
    HMODULE* modules = nullptr; // one slot per match, in search order; null where loading failed
    PluginExports* exports = nullptr; // one per slot; all null where loading failed
};

extern PluginSetRecord PluginSet;

// Fills the PluginSet with the modules of the directory (a set still loaded is unloaded
// first).
void LoadPlugins(const char* directory);
// Frees every loaded module and the slot array; the set is empty afterwards.
void UnloadPlugins();
