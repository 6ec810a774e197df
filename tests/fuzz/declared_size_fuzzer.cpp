// Any bytes as a file whose declared picture size is read before GDI+ would decode it.
#include "metadata/declared_size.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const MemoryFile file{data, size};
    DeclaredSize declared;
    ReadDeclaredSize(MemoryReader(&file), &declared);
    return 0;
}
