#include "imaging/picture_source.h"

#include <cstdlib>
#include <cstring>

std::atomic<int> SpeculativeDenominator{8};

void ResetPictureSource(PictureSource* source) {
    *source = PictureSource{}; // the file's view goes with it
}

bool ShrinkOnLoadEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("TESSAVEL_SHRINK_ON_LOAD");
        return value == nullptr || std::strcmp(value, "0") != 0;
    }();
    return enabled;
}
