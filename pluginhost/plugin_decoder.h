// Decoding through the Susie plug-ins of the PluginSet.
#pragma once

#include "pluginhost/file_image.h"
#include "pluginhost/plugin_set.h"
#include "plugins/include/tessavel_plugin.h"

#include <windows.h>

#include <cstdint>

// The BITMAPINFO of a plug-in picture: the header and room for the largest colour table.
// Entries beyond the table the header describes stay zero.
struct PluginPictureInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

// The exports of the first plug-in that takes a file: the first whose IsSupported answers
// nonzero about its head (2048 bytes, zero-padded) and that has GetPicture; null when none
// does. They stay valid while the PluginSet is loaded.
const PluginExports* FindPluginFor(const unsigned char* head);

// Describes a Susie result for the failure note.
const char* DescribeSusieError(int32_t result);

// Notes that the plug-in that took the file cannot decode it: in the plug-in's own words
// when it says why it cannot decode at all (GetPluginUnavailableReason), else in the Susie
// result's.
void NotePluginFailure(const PluginExports& plugin, int32_t result);

// True when the plug-in says it cannot decode at all (GetPluginUnavailableReason gives a
// text).
bool PluginIsUnavailable(const PluginExports& plugin);

// Decodes the file image (size bytes, readable for at least 2048, zeros after a shorter file)
// with the plug-in that took it: GetPicture's result, or a Susie error code (3 broken data,
// 4 no memory, 5 memory error) when the blocks it returned cannot be used. On 0, info holds
// the picture's BITMAPINFO and *pixelsOut a new pixel copy (PluginPixelBytes of the header,
// from AllocateStorage) that the caller owns.
int32_t GetPluginPicture(const PluginExports& plugin, const unsigned char* image, uint32_t size,
                         PluginPictureInfo* info, unsigned char** pixelsOut);

// Asks the plug-ins about the open file's head, once each, and when one takes it holds the
// file in image (file_image.h: mapped, or a short file zero-padded to SUSIE_HEAD_SIZE bytes)
// and gives that plug-in's exports. False when none takes it, or the file cannot be read or
// mapped (with the reason noted).
bool ReadFileForPlugins(HANDLE file, FileImage* image, const PluginExports** plugin);

// Bytes of the colour table (or colour masks) that follow a header of this kind, at most
// 256 entries.
uint32_t PluginColorTableBytes(const BITMAPINFOHEADER& header);

// Bytes of the pixel rows a header describes: rows padded to 4 bytes times the absolute
// height. False for a header that describes no usable picture (bit count other than
// 1, 4, 8, 16, 24, 32, no width or height, or more than 2^31 - 1 bytes).
bool PluginPixelBytes(const BITMAPINFOHEADER& header, uint32_t* bytes);
