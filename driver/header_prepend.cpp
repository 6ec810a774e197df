#include "driver/header_prepend.h"

#include "metadata/jpeg_metadata.h"
#include "metadata/signatures.h"

#include "common/allocator.h"
#include "common/failure_note.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/temporary_file.h"

#include <windows.h>

namespace {

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

namespace {

// Writes front (count parts) and the saved file's bytes from keepFrom on to a temporary file
// beside it, then moves that onto the saved file. what names the addition in the reasons.
int RewriteWithFront(const char* savedPath, const unsigned char* saved, DWORD savedSize,
                     const void* const* parts, const size_t* sizes, int count, DWORD keepFrom,
                     const char* what) {
    TemporaryFile temporary;
    if (!temporary.CreateBeside(savedPath)) {
        NoteFailure("cannot create a temporary file in the destination folder: %s",
                    DescribeWindowsError(GetLastError()));
        return 0;
    }
    {
        FileOwner out(CreateFileA(temporary.path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        bool written = static_cast<bool>(out);
        for (int i = 0; written && i < count; ++i)
            written = WriteAll(out.get(), parts[i], static_cast<DWORD>(sizes[i]));
        if (!written || !WriteAll(out.get(), saved + keepFrom, savedSize - keepFrom) ||
            !FlushFileBuffers(out.get()) || !CloseHandle(out.release())) {
            NoteFailure("cannot write the output file with %s: %s", what,
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
    const void* parts[1] = {header.block};
    const size_t sizes[1] = {headerSize};
    return RewriteWithFront(savedPath, saved.as<unsigned char>(), savedSize, parts, sizes, 1, 0,
                            "its Exif header");
}

int InsertJpegMetadata(const char* savedPath, const MetadataBlock& exif,
                       const MetadataBlock& profile, const char** exifDropped) {
    if (exif.Empty() && profile.Empty())
        return 1;
    StorageOwner saved;
    DWORD savedSize = 0;
    if (!ReadWholeFile(savedPath, saved, savedSize)) {
        NoteFailure("cannot read back the saved file: %s", DescribeWindowsError(GetLastError()));
        return 0;
    }
    const auto* bytes = saved.as<unsigned char>();
    if (!IsJpegSignature(bytes, savedSize))
        return 1; // not a JPEG: nothing to carry into it
    MetadataBlock segments;
    if (!MakeJpegMetadataSegments(exif.data(), exif.size, profile.data(), profile.size, &segments,
                                  exifDropped)) {
        NoteFailure("no memory for its metadata");
        return 0;
    }
    if (segments.Empty())
        return 1;
    // The source's segments go right after the encoder's start of image.
    const void* parts[2] = {bytes, segments.data()};
    const size_t sizes[2] = {2, segments.size};
    return RewriteWithFront(savedPath, bytes, savedSize, parts, sizes, 2, 2, "its metadata");
}
