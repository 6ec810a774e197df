#include "driver/header_prepend.h"

#include "common/allocator.h"
#include "common/owners.h"
#include "common/paths.h"

#include <windows.h>

namespace {

HANDLE OpenForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The whole file in one block from the allocator; false on any shortfall.
bool ReadWholeFile(const char* path, StorageOwner& buffer, DWORD& size) {
    FileOwner file(OpenForReading(path));
    if (!file)
        return false;
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file.get(), &length) || length.QuadPart > 0x7FFFFFFF)
        return false;
    size = static_cast<DWORD>(length.QuadPart);
    buffer.block = AllocateStorage(size);
    if (buffer.block == nullptr)
        return false;
    DWORD read = 0;
    return ReadFile(file.get(), buffer.block, size, &read, nullptr) && read == size;
}

bool WriteAll(HANDLE file, const void* bytes, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

// A temporary file that is deleted unless it was moved into place.
struct TemporaryFile {
    char path[kPathSize] = {};
    bool exists = false;
    ~TemporaryFile() {
        if (exists)
            DeleteFileA(path);
    }
};

} // namespace

int PrependHeaderFile(const char* savedPath, const char* headerPath) {
    // Both files must be there and readable before anything is written.
    StorageOwner saved;
    DWORD savedSize = 0;
    if (!ReadWholeFile(savedPath, saved, savedSize))
        return 0;
    StorageOwner header;
    DWORD headerSize = 0;
    if (!ReadWholeFile(headerPath, header, headerSize))
        return 0;
    if (headerSize == 0)
        return 1; // nothing to place in front

    char directory[kPathSize];
    if (!DirectoryOfPath(directory, sizeof directory, savedPath))
        return 0;
    TemporaryFile temporary;
    if (!GetTempFileNameA(directory, "tes", 0, temporary.path))
        return 0;
    temporary.exists = true;
    {
        FileOwner out(CreateFileA(temporary.path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out)
            return 0;
        if (!WriteAll(out.get(), header.block, headerSize) ||
            !WriteAll(out.get(), saved.block, savedSize) || !FlushFileBuffers(out.get()))
            return 0;
        if (!CloseHandle(out.release()))
            return 0;
    }
    if (!MoveFileExA(temporary.path, savedPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    temporary.exists = false;
    return 1;
}
