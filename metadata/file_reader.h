// A file read at offsets, through a callback (a Windows file handle in the host, memory
// in the fuzz targets), with a sticky failure as the plug-ins' ByteReader has: a read
// that finds fewer bytes than asked for marks the reader failed, every later read fails
// too, and a reader checks `failed` once per step instead of after every read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Reads up to length bytes at offset into buffer; the number of bytes read (fewer at the
// end of the file).
using ReadAtFunction = size_t (*)(void* context, uint64_t offset, unsigned char* buffer,
                                  size_t length);

struct FileReader {
    ReadAtFunction read = nullptr;
    void* context = nullptr;
    mutable bool failed = false;

    // True when all length bytes were there (and no read failed before); otherwise the
    // buffer's contents are undefined.
    bool Read(uint64_t offset, unsigned char* buffer, size_t length) const {
        if (!failed && read(context, offset, buffer, length) != length)
            failed = true;
        return !failed;
    }
    // The same reader with its failure forgotten, for a read that does not depend on the
    // ones before.
    FileReader Fresh() const { return FileReader{read, context}; }
};

// A file image in memory, read as a file.
struct MemoryFile {
    const unsigned char* bytes;
    uint64_t size;
};

inline size_t ReadFromMemory(void* context, uint64_t offset, unsigned char* buffer, size_t length) {
    const auto* file = static_cast<const MemoryFile*>(context);
    if (offset >= file->size)
        return 0;
    const uint64_t available = file->size - offset;
    const size_t n = available < length ? static_cast<size_t>(available) : length;
    std::memcpy(buffer, file->bytes + offset, n);
    return n;
}

inline FileReader MemoryReader(const MemoryFile* file) {
    return FileReader{ReadFromMemory, const_cast<MemoryFile*>(file)};
}
