// Any bytes as a file whose declared picture size is read before GDI+ would decode it.
#include "imaging/byte_order.h"
#include "imaging/declared_size.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryFile file{data, size};
    DeclaredSize declared;
    ReadDeclaredSize(ReadFromMemory, &file, &declared);
    return 0;
}
