// Any bytes for the ifpng plug-in's decoder (scaled_decode_fuzz.h), over the linked libspng.
#include "fuzz/scaled_decode_fuzz.h"
#include "plugins/ifpng/png_decode.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LimitFuzzPixels();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzScaledDecoder(data, size, ReadPngSize, DecodePng);
}
