// The picture size a file declares in its header, read without decoding it. GDI+ (Wine's
// through WIC) decodes the whole picture when it opens a file, so a 389 KB PNG declaring
// 20000 x 20000 pixels costs 5 GB before anyone can look at its size: the size is read here
// first, for the formats GDI+ reads. Portable: no Windows header, reads through a FileReader.
#pragma once

#include "metadata/file_reader.h"

#include <cstdint>

struct DeclaredSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// True when the file is a PNG, GIF, BMP, JPEG or TIFF whose header gives a size, which is
// then in size. False for other formats and unreadable headers: GDI+ then decides alone.
bool ReadDeclaredSize(const FileReader& file, DeclaredSize* size);
