// An owned block of metadata bytes (Exif TIFF data, an ICC profile, segments to write).
// Allocation never throws: a block that cannot be had is a failure of the one read.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

struct MetadataBlock {
    std::unique_ptr<unsigned char[]> bytes;
    size_t size = 0;

    // size bytes of room, contents undefined; false (and empty) when there is no memory.
    bool Allocate(size_t n) {
        bytes.reset(new (std::nothrow) unsigned char[n == 0 ? 1 : n]);
        size = bytes != nullptr ? n : 0;
        return bytes != nullptr;
    }
    bool Assign(const unsigned char* from, size_t n) {
        if (!Allocate(n))
            return false;
        std::memcpy(bytes.get(), from, n);
        return true;
    }
    void Clear() {
        bytes.reset();
        size = 0;
    }
    bool Empty() const { return size == 0; }
    const unsigned char* data() const { return bytes.get(); }
};
