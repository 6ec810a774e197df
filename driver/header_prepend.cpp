#include "driver/header_prepend.h"

#include "common/allocator.h"
#include "common/failure_note.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/temporary_file.h"

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

} // namespace

int PrependHeaderFile(const char* savedPath, const char* headerPath) {
    // Both files must be there and readable before anything is written.
    StorageOwner saved;
    DWORD savedSize = 0;
    if (!ReadWholeFile(savedPath, saved, savedSize)) {
        NoteFailure("cannot read back the saved file: %s", DescribeWindowsError(GetLastError()));
        return 0;
    }
    StorageOwner header;
    DWORD headerSize = 0;
    if (!ReadWholeFile(headerPath, header, headerSize)) {
        NoteFailure("cannot read the Exif header file: %s", DescribeWindowsError(GetLastError()));
        return 0;
    }
    if (headerSize == 0)
        return 1; // nothing to place in front

    TemporaryFile temporary;
    if (!temporary.CreateBeside(savedPath)) {
        NoteFailure("cannot create a temporary file in the destination folder: %s",
                    DescribeWindowsError(GetLastError()));
        return 0;
    }
    {
        FileOwner out(CreateFileA(temporary.path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out || !WriteAll(out.get(), header.block, headerSize) ||
            !WriteAll(out.get(), saved.block, savedSize) || !FlushFileBuffers(out.get()) ||
            !CloseHandle(out.release())) {
            NoteFailure("cannot write the output file with its Exif header: %s",
                        DescribeWindowsError(GetLastError()));
            return 0;
        }
    }
    if (!temporary.MoveOnto(savedPath)) {
        NoteFailure("cannot replace the output file: %s", DescribeWindowsError(GetLastError()));
        return 0;
    }
    return 1;
}
