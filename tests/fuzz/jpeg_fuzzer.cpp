// Any bytes for the ifjpeg plug-in's decoder (scaled_decode_fuzz.h).
#include "fuzz/scaled_decode_fuzz.h"
#include "plugins/ifjpeg/jpeg_decode.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LimitFuzzPixels();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzScaledDecoder(data, size, ReadJpegSize, DecodeJpeg, nullptr, nullptr, true);
}
