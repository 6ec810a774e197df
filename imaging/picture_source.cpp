#include "imaging/picture_source.h"

#include <cstdlib>
#include <cstring>
#include <utility>

std::atomic<int> SpeculativeDenominator{8};

void ResetPictureSource(PictureSource* source) {
    FileImage kept = std::move(source->file);
    *source = PictureSource{};
    source->file = std::move(kept);
    source->file.size = 0;
}

bool ShrinkOnLoadEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("TESSAVEL_SHRINK_ON_LOAD");
        return value == nullptr || std::strcmp(value, "0") != 0;
    }();
    return enabled;
}
