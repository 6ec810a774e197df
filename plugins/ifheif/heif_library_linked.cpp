// The table bound to the libheif the program is linked with (the native fuzz target).
#include "plugins/ifheif/heif_library.h"

const HeifLibrary* Heif() {
    static const HeifLibrary library = {
#define TESSAVEL_HEIF_ADDRESS(name) &::name,
        TESSAVEL_HEIF_FUNCTIONS(TESSAVEL_HEIF_ADDRESS)
#undef TESSAVEL_HEIF_ADDRESS
    };
    return &library;
}

const HeifEncodingLibrary* HeifEncoding() {
    static const HeifEncodingLibrary library = {
#define TESSAVEL_HEIF_ADDRESS(name) &::name,
        TESSAVEL_HEIF_ENCODING_FUNCTIONS(TESSAVEL_HEIF_ADDRESS)
#undef TESSAVEL_HEIF_ADDRESS
    };
    return &library;
}

const char* HeifUnavailableReason() {
    return "";
}
