#include "pluginhost/plugin_set.h"

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

// GetProcAddress gives a generic function address; the cast through void(*)() is the
// sanctioned way to give it its real type.
template <class Function> Function FindExport(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

PluginExports ExportsOf(HMODULE module) {
    PluginExports exports;
    exports.isSupported = FindExport<IsSupportedFunction>(module, "IsSupported");
    exports.getPicture = FindExport<GetPictureFunction>(module, "GetPicture");
    const auto reentrant =
        FindExport<PluginIsReentrantFunction>(module, TESSAVEL_PLUGIN_IS_REENTRANT);
    exports.reentrant = reentrant != nullptr && reentrant() != 0;
    exports.scaledSize =
        FindExport<GetPictureScaledSizeFunction>(module, TESSAVEL_GET_PICTURE_SCALED_SIZE);
    exports.scaled = FindExport<GetPictureScaledFunction>(module, TESSAVEL_GET_PICTURE_SCALED);
    exports.iccProfile =
        FindExport<GetPictureMetadataFunction>(module, TESSAVEL_GET_PICTURE_ICC_PROFILE);
    exports.exif = FindExport<GetPictureMetadataFunction>(module, TESSAVEL_GET_PICTURE_EXIF);
    exports.scaledRows =
        FindExport<GetPictureScaledRowsFunction>(module, TESSAVEL_GET_PICTURE_SCALED_ROWS);
    const auto extensions =
        FindExport<GetEncodedExtensionsFunction>(module, TESSAVEL_GET_ENCODED_EXTENSIONS);
    const auto encode = FindExport<EncodePictureFunction>(module, TESSAVEL_ENCODE_PICTURE);
    const char* written = extensions != nullptr ? extensions() : nullptr;
    // A list that does not fit is a plug-in that writes nothing, rather than one cut short.
    if (encode != nullptr && exports.reentrant && written != nullptr &&
        CopyBounded(exports.encodedExtensions, sizeof exports.encodedExtensions, written))
        exports.encode = encode;
    else
        exports.encodedExtensions[0] = '\0';
    exports.unavailableReason = FindExport<GetPluginUnavailableReasonFunction>(
        module, TESSAVEL_GET_PLUGIN_UNAVAILABLE_REASON);
    if (exports.scaledSize == nullptr || exports.scaled == nullptr || !exports.reentrant) {
        exports.scaledSize = nullptr;
        exports.scaled = nullptr;
        exports.iccProfile = nullptr;
        exports.exif = nullptr;
        exports.scaledRows = nullptr;
    }
    // Asked once, with no picture: a plug-in whose decoder cannot hand rows over says so
    // (tessavel_plugin.h), and no draw is planned ahead for its pictures.
    if (exports.scaledRows != nullptr &&
        exports.scaledRows(nullptr, 0, 1, nullptr, 0, 0, 0, 0, nullptr, nullptr) ==
            SUSIE_NOT_IMPLEMENTED)
        exports.scaledRows = nullptr;
    return exports;
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
    auto* exports =
        static_cast<PluginExports*>(AllocateZeroedStorage(count, sizeof(PluginExports)));
    if (modules == nullptr || exports == nullptr) {
        FreeStorage(modules);
        FreeStorage(exports);
        return;
    }
    PluginSet.count = count;
    PluginSet.modules = modules;
    PluginSet.exports = exports;

    if (!search.Start(pattern))
        return;
    for (int32_t slot = 0; slot < count && search.Next(found); ++slot) {
        char path[kPathSize];
        // A path that does not fit, or a name the code page cannot hold exactly (its narrow
        // form would load another module, or none), is a module that can't be loaded: its
        // slot stays empty.
        if (found.exact && JoinPath(path, sizeof path, directory, found.name))
            modules[slot] = LoadModuleQuietly(path);
        if (modules[slot] != nullptr)
            exports[slot] = ExportsOf(modules[slot]);
    }
}

void UnloadPlugins() {
    for (int32_t i = 0; i < PluginSet.count; ++i) {
        if (PluginSet.modules[i] != nullptr)
            FreeLibrary(PluginSet.modules[i]);
    }
    FreeStorage(PluginSet.modules);
    FreeStorage(PluginSet.exports);
    PluginSet.modules = nullptr;
    PluginSet.exports = nullptr;
    PluginSet.count = 0;
}
