// PNG pictures through libspng (png_decode.h), at full scale: PNG has no reduced decode, so
// the shared glue answers the other scales "not implemented" and the host reduces the full
// picture. The host reads a PNG's eXIf and iCCP itself, whichever decoder reads the pixels.
// It also writes PNG (png_encode.h).
#include "plugins/ifpng/png_decode.h"
#include "plugins/ifpng/png_encode.h"
#include "plugins/shared/plugin_format.h"
#include "plugins/shared/scaled_plugin.h"

const char* const kPluginInfoTexts[] = {
    "00IN",
    "Tessavel PNG plug-in 1.1",
    "*.png",
    "PNG images",
};
const int kPluginInfoCount = 4;

const ScaledDecoder kScaledDecoder = {IsPngHead, ReadPngSize, DecodePng};

// Taken only when the script asks for it (SetPngCompression): GDI+ writes PNG otherwise.
const PictureEncoder kPictureEncoder = {".png", EncodePng};
