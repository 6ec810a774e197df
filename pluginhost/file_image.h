// The whole file as a Susie plug-in is handed it: a read-only, copy-on-write view of the
// file, so that memory follows what the plug-in reads rather than the file's size (a
// plug-in may still write into it: only its own copy of the page changes). A file shorter
// than the head IsSupported may read (2048 bytes of any file) is copied into the record,
// zero-padded.
//
// A live view keeps Windows from replacing the file: whatever saves over a file lets go of
// its views first (driver/image_conversion.cpp, driver/decode_ahead.cpp).
#pragma once

#include "plugins/include/susie_plugin.h"

#include <windows.h>

#include <cstdint>

struct FileImage {
    const void* view = nullptr; // MapViewOfFile's; none for a file shorter than the head
    uint32_t size = 0;          // the file's length; 0 when it holds no file
    unsigned char head[SUSIE_HEAD_SIZE] = {}; // a shorter file's bytes, then zeros

    FileImage() = default;
    FileImage(const FileImage&) = delete;
    FileImage& operator=(const FileImage&) = delete;
    FileImage(FileImage&& other) noexcept;
    FileImage& operator=(FileImage&& other) noexcept;
    ~FileImage();

    // The file's first byte: readable for size bytes, and for at least SUSIE_HEAD_SIZE.
    const unsigned char* data() const {
        return view != nullptr ? static_cast<const unsigned char*>(view) : head;
    }
};

// Holds the open file (size bytes), which begins with the head already read (its first
// min(size, SUSIE_HEAD_SIZE) bytes). False, with the reason noted, when it cannot be mapped
// (on 32-bit Windows a large file may find no room in the address space): the file is never
// read whole instead.
bool HoldFileImage(HANDLE file, uint32_t size, const unsigned char* head, FileImage* image);

// Lets the file go: the view is unmapped, the record holds nothing.
void ReleaseFileImage(FileImage* image);
