// A FileReader (metadata/file_reader.h) over an open Windows file handle, for the readers
// that look into a file before or beside its decoding.
#pragma once

#include "metadata/file_reader.h"

#include <windows.h>

// context is the file's HANDLE; at most 65535 bytes a call.
size_t ReadFileAt(void* context, uint64_t offset, unsigned char* buffer, size_t length);

inline FileReader HandleReader(HANDLE file) {
    return FileReader{ReadFileAt, file};
}
