// A plug-in over a decoder that reads at 1/1, 1/2, 1/4 and 1/8 (scaled_decode.h): the
// plug-in supplies the two functions below, scaled_plugin.cpp builds the Susie set's format
// functions (plugin_format.h) and our own exports (plugins/include/tessavel_plugin.h) on them.
#pragma once

#include "plugins/shared/scaled_decode.h"

// The picture's size at 1/denominator, from its header alone.
DecodeStatus ReadScaledSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                            int32_t* height);

// The whole picture at 1/denominator into the target.
DecodeStatus DecodeScaled(const unsigned char* data, size_t size, int denominator,
                          const DecodeTarget& target);
