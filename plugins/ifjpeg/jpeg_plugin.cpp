// JPEG pictures through libjpeg-turbo (jpeg_decode.h), at every scale the shared glue of
// plugins/shared/scaled_plugin.h offers.
#include "plugins/ifjpeg/jpeg_decode.h"
#include "plugins/shared/plugin_format.h"
#include "plugins/shared/scaled_plugin.h"

const char* const kPluginInfoTexts[] = {
    "00IN",
    "Tessavel JPEG plug-in 1.1",
    "*.jpg;*.jpeg;*.jpe;*.jfif",
    "JPEG images",
};
const int kPluginInfoCount = 4;

// The host reads a JPEG's profile itself, whichever decoder reads the picture.
const ScaledDecoder kScaledDecoder = {
    .isHead = IsJpegHead, .readSize = ReadJpegSize, .decode = DecodeJpeg, .deliversRows = true};
