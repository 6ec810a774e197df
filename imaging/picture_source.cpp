#include "imaging/picture_source.h"

#include "common/environment_switch.h"

std::atomic<int> SpeculativeDenominator{8};

void ResetPictureSource(PictureSource* source) {
    *source = PictureSource{}; // the file's view goes with it
}

bool ShrinkOnLoadEnabled() {
    static const bool enabled = SwitchedOnByEnvironment("TESSAVEL_SHRINK_ON_LOAD");
    return enabled;
}
