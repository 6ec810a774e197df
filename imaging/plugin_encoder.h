// Saving through a plug-in that writes the output's format (GetEncodedExtensions and
// EncodePicture in plugins/include/tessavel_plugin.h): WebP, AVIF and JPEG XL through ours,
// and PNG when the script asks for our writer (SetPngCompression).
// The plug-in only encodes; the host writes its bytes to a temporary file beside the output
// and moves it into place, as GDI+ saves do (imaging/encoder.h).
#pragma once

#include <windows.h>

#include "plugins/include/tessavel_plugin.h"

#include <cstddef>
#include <cstdint>

// How a picture is encoded: the script's settings and the metadata to embed (the Exif TIFF
// structure, set as the output stands; the ICC profile of the pixels), none when 0 bytes.
struct PictureEncoding {
    int32_t quality = 75;
    bool lossless = false;
    int32_t effort = 0;      // 1 to 9 (SetEncodeEffort); 0: the encoder's default
    int32_t compression = 0; // PNG: 1 to 9 (SetPngCompression); 0: the writer's default
    const unsigned char* exif = nullptr;
    size_t exifSize = 0;
    const unsigned char* icc = nullptr;
    size_t iccSize = 0;
};

// The encoder of the first loaded plug-in (in load order) that writes the path's last
// extension (letters A-Z compare without case); null when none does. GDI+ writes PNG unless
// the script asked for our writer: a .png path has a plug-in's encoder only while
// pngCompression (SetPngCompression's 1 to 9) is not 0, so a script that does not ask
// writes the bytes it always did.
EncodePictureFunction FindPluginEncoder(const char* path, int32_t pngCompression);

// Encodes the DIB section with encoder into a temporary file beside path, which then takes
// path's place. 1 when the file was written; else 0 with the reason noted
// (common/failure_note.h) and an existing file at path untouched.
int SaveBitmapThroughPlugin(EncodePictureFunction encoder, HBITMAP bitmap, const char* path,
                            const PictureEncoding& encoding);
