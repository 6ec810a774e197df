// Any bytes for the ifheif plug-in's decoder (scaled_decode_fuzz.h), over the linked libheif.
#include "fuzz/scaled_decode_fuzz.h"
#include "plugins/ifheif/heif_decode.h"

// libheif's dav1d glue leaves 40 bytes of dav1d's behind when an AV1 stream is refused
// (libheif 1.15.1, dav1d 1.0.0); the leak is theirs, reported apart from ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdav1d.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LimitFuzzPixels();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzScaledDecoder(data, size, ReadHeifSize, DecodeHeif, ReadHeifProfile, ReadHeifExif);
}
