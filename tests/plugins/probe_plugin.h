// The test-only Susie plug-in "probe": what the host tests put into a probe file, and what
// the probe records of the calls it receives.
#pragma once

#include <windows.h>

#include <cstdint>

// A probe file: this header, then infoLength bytes for the info block and pixelLength
// bytes for the pixel block. The probe whose id bit is in acceptMask accepts the file;
// its GetPicture returns result, and on 0 hands over blocks of exactly infoBlockSize and
// pixelBlockSize bytes (LocalAlloc, moveable), filled with the given bytes and then 0xEE.
struct ProbeFileHeader {
    char magic[4]; // "TSPI"
    uint32_t acceptMask;
    int32_t result;
    uint32_t infoBlockSize;
    uint32_t pixelBlockSize;
    uint32_t infoLength;
    uint32_t pixelLength;
};

constexpr uint32_t kProbeRecordBytes = 4096;

struct ProbeRecord {
    int acceptAll; // set by the test: accept every head
    int isSupportedCalls;
    int getPictureCalls;
    int nonNullFileName;                    // IsSupported was given a file name
    unsigned char heads[2][2048];           // the first two heads IsSupported was given
    LONG_PTR length;                        // GetPicture's length
    unsigned int flag;                      // GetPicture's flag
    unsigned char image[kProbeRecordBytes]; // the first bytes of GetPicture's image (at least 2048)
    HLOCAL infoBlock;                       // the blocks handed over last
    HLOCAL pixelBlock;
};

using ProbeRecordFunction = ProbeRecord* (*)();
