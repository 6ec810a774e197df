#include "metadata/png_chunks.h"

#include "metadata/byte_order.h"

#include <cstring>

bool FindPngChunk(const FileReader& r, const char* kind, uint64_t* data, uint32_t* length) {
    constexpr int kMostChunks = 64;
    uint64_t at = 8;
    for (int i = 0; i < kMostChunks; ++i) {
        unsigned char chunk[8];
        if (!r.Read(at, chunk, sizeof chunk))
            return false;
        const uint32_t size = Big32(chunk);
        if (size > 0x7FFFFFFFu || std::memcmp(chunk + 4, "IDAT", 4) == 0 ||
            std::memcmp(chunk + 4, "IEND", 4) == 0)
            return false;
        if (std::memcmp(chunk + 4, kind, 4) == 0) {
            *data = at + 8;
            *length = size;
            return true;
        }
        at += 12ull + size;
    }
    return false;
}
