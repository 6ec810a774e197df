#include "metadata/jpeg_segments.h"

#include "metadata/byte_order.h"

bool NextJpegSegment(const FileReader& r, JpegSegmentWalk* walk, JpegSegment* segment) {
    while (walk->seen < kMostJpegSegments) {
        unsigned char marker[4];
        if (!r.Fresh().Read(walk->next, marker, 2) || marker[0] != 0xFF)
            return false;
        const uint8_t code = marker[1];
        if (code == 0xFF) { // a fill byte
            ++walk->next;
            continue;
        }
        ++walk->seen;
        if (code == 0xD8 || (code >= 0xD0 && code <= 0xD7) || code == 0x01) {
            walk->next += 2;
            continue;
        }
        if (code == 0xDA || code == 0xD9 || !r.Fresh().Read(walk->next + 2, marker + 2, 2))
            return false;
        const uint32_t length = Big16(marker + 2);
        if (length < 2)
            return false;
        segment->marker = code;
        segment->offset = walk->next;
        segment->length = length;
        walk->next += 2ull + length;
        return true;
    }
    return false;
}
