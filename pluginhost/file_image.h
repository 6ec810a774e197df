// The whole file as a Susie plug-in is handed it: its bytes in memory, zero-padded to at
// least the head size, since IsSupported may read 2048 bytes of any file.
#pragma once

#include "common/allocator.h"

#include <cstdint>

struct FileImage {
    StorageOwner bytes; // kept and reused, growing only, from file to file
    uint32_t size = 0;  // the file's length; 0 when it holds no file
    uint32_t capacity = 0;

    const unsigned char* data() const { return bytes.as<unsigned char>(); }
};
