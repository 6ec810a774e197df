// A source JPEG's metadata, carried into a JPEG output: its Exif segment (APP1) and its
// ICC profile (APP2 "ICC_PROFILE" segments), checked and, for a picture that was turned
// upright, with the orientation set to 1 and the embedded thumbnail unlinked. Portable: no
// Windows header; every offset is checked against the segment.
#pragma once

#include <cstddef>
#include <cstdint>

struct JpegMetadata {
    // The segments, markers and lengths included, in the order they are written back; they
    // point into the source bytes, except the Exif segment when it was changed (then into
    // exifCopy).
    const unsigned char* exif = nullptr;
    size_t exifSize = 0;
    const unsigned char* icc[16] = {};
    size_t iccSize[16] = {};
    int iccCount = 0;
    unsigned char exifCopy[65537];
    // Why the Exif segment or the profile was left out, for a reason line; empty when it
    // was not (or there was none). A grey or CMYK profile, which does not describe an RGB
    // output, is left out without a reason.
    const char* exifDropped = "";
    const char* iccDropped = "";
};

// Collects the metadata of the JPEG in bytes (size bytes) into metadata; turned is the
// Exif orientation the picture was turned by (1: as stored). False when the bytes are no
// JPEG or hold none of it (nor any damaged).
bool ReadJpegMetadata(const unsigned char* bytes, size_t size, int turned, JpegMetadata* metadata);

// The Exif segment made from Exif TIFF data (as our plug-ins hand it over, from "II" or "MM"
// on) in metadata's exifCopy, checked and, for a turned picture, set upright as
// ReadJpegMetadata does; no profile. False when the data is damaged or larger than a
// segment holds, which exifDropped says.
bool ExifSegmentFromTiff(const unsigned char* tiff, size_t size, int turned,
                         JpegMetadata* metadata);

// The bytes IccSegmentsFromProfile needs for a profile of size bytes.
constexpr size_t IccSegmentBytes(size_t size) {
    return size + 16 * (2 + 2 + 14);
}

// The APP2 "ICC_PROFILE" segments of an RGB profile (as our plug-ins hand it over) written
// into storage (IccSegmentBytes(size) bytes) and named in metadata's icc parts. False, and
// no parts, for a profile that is not RGB (as ReadJpegMetadata leaves those out) or needs
// more than 16 segments.
bool IccSegmentsFromProfile(const unsigned char* profile, size_t size, unsigned char* storage,
                            JpegMetadata* metadata);
