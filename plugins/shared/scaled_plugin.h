// A plug-in over a decoder that reads at 1/1, 1/2, 1/4 and 1/8 (scaled_decode.h): the
// plug-in supplies its decoder below, scaled_plugin.cpp builds the Susie set's format
// functions (plugin_format.h) and our own exports (plugins/include/tessavel_plugin.h) on them.
#pragma once

#include "plugins/shared/scaled_decode.h"

using ReadMetadataFunction = DecodeStatus (*)(const unsigned char* data, size_t size,
                                              unsigned char* block, size_t capacity,
                                              size_t* blockSize);

// The decoder a plug-in hands the glue: its head test, its size at 1/denominator (from the
// header alone) and its decode of the whole picture at 1/denominator into the target.
struct ScaledDecoder {
    bool (*isHead)(const unsigned char* head, size_t size);
    DecodeStatus (*readSize)(const unsigned char* data, size_t size, int denominator,
                             int32_t* width, int32_t* height);
    DecodeStatus (*decode)(const unsigned char* data, size_t size, int denominator,
                           const DecodeTarget& target);
    // The ICC profile and the Exif data the file embeds (see GetPictureIccProfile and
    // GetPictureExif in tessavel_plugin.h), into block (capacity bytes), the size in
    // *blockSize (0: none); kNoMemory when it does not fit. Null for a decoder whose
    // pictures the host reads these of itself, or have none.
    ReadMetadataFunction readProfile = nullptr;
    ReadMetadataFunction readExif = nullptr;
    // Why no picture can be decoded at all (a library that cannot be loaded), one line;
    // empty while they can. Null for a decoder that always can.
    const char* (*unavailableReason)() = nullptr;
    // Whether decode honours a target that takes its rows as they come (DecodeTarget's
    // rowsDone): GetPictureScaledRows answers "not implemented" for a decoder that does not.
    bool deliversRows = false;
};

// Defined by each plug-in over this glue.
extern const ScaledDecoder kScaledDecoder;
