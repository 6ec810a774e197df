// Decoding through the Susie plug-ins of the PluginSet.
#pragma once

#include <windows.h>

#include <cstdint>

// A new DIB section in the plug-in's own format (caller owns it), or null when no plug-in
// decodes the file.
HBITMAP DecodeWithPlugins(const char* path);
