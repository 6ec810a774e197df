// Any bytes as a file whose declared picture size is read before GDI+ would decode it.
#include "imaging/declared_size.h"

#include <cstring>

namespace {
struct Bytes {
    const uint8_t* data;
    size_t size;
};

size_t ReadAt(void* context, uint64_t offset, unsigned char* buffer, size_t length) {
    const auto* bytes = static_cast<const Bytes*>(context);
    if (offset >= bytes->size)
        return 0;
    const size_t available = bytes->size - static_cast<size_t>(offset);
    const size_t count = length < available ? length : available;
    std::memcpy(buffer, bytes->data + offset, count);
    return count;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes bytes{data, size};
    DeclaredSize declared;
    ReadDeclaredSize(ReadAt, &bytes, &declared);
    return 0;
}
