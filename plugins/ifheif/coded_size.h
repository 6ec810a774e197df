// The size of the pictures an HEVC or AV1 stream codes, read from its parameter sets before
// a decoder sees them: libde265 and dav1d allocate for that size, whatever the HEIF boxes
// around the stream declare. Portable, for the plug-in and the native fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>

// The largest width and the largest height among the parameter sets seen so far, and
// whether one of them could not be read (a decoder might read it otherwise).
struct CodedSize {
    uint64_t width = 0;
    uint64_t height = 0;
    bool unreadable = false;
};

// The sequence parameter sets among the NAL units of an hvcC box (its contents).
void AddHevcConfigSizes(const unsigned char* hvcc, size_t size, CodedSize* coded);

// The sequence parameter sets in an HEVC item's data as libheif hands it to libde265: NAL
// units, each after its length in 4 bytes.
void AddHevcStreamSizes(const unsigned char* data, size_t size, CodedSize* coded);

// The sequence headers among the OBUs of an av1C box (its contents) or of an AV1 item's data.
void AddAv1ConfigSizes(const unsigned char* av1c, size_t size, CodedSize* coded);
void AddAv1StreamSizes(const unsigned char* data, size_t size, CodedSize* coded);
