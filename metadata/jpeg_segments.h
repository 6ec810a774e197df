// The marker segments of a JPEG before its first scan: the one walk the declared size,
// the orientation and the metadata share.
#pragma once

#include "metadata/file_reader.h"

#include <cstdint>

struct JpegSegment {
    uint8_t marker = 0;  // the byte after FF
    uint64_t offset = 0; // of its FF
    uint32_t length = 0; // as stored: counts itself, not the marker

    uint64_t Body() const { return offset + 4; }
    uint32_t BodySize() const { return length - 2; }
};

// Where a walk stands; starts after the start of image.
struct JpegSegmentWalk {
    uint64_t next = 2;
    int seen = 0;
};

// The most segments looked at: a JPEG of any size has a few dozen before its scan.
constexpr int kMostJpegSegments = 4096;

// The next segment with a length. Fill bytes and markers without a length (another start
// of image, restarts, TEM) are passed over. False at the first scan, at the end of the
// picture, past kMostJpegSegments, and where the bytes stop being segments.
bool NextJpegSegment(const FileReader& r, JpegSegmentWalk* walk, JpegSegment* segment);

// Whether the marker starts a frame (SOF0 to SOF15 but DHT, JPG and DAC).
inline bool IsStartOfFrame(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}
