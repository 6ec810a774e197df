// JPEG XL pictures through libjxl (jxl_decode.h), at full scale: the shared glue answers the
// other scales "not implemented" and the host reduces the full picture.
#include "plugins/ifjxl/jxl_decode.h"
#include "plugins/ifjxl/jxl_encode.h"
#include "plugins/shared/plugin_format.h"
#include "plugins/shared/scaled_plugin.h"

const char* const kPluginInfoTexts[] = {
    "00IN",
    "Tessavel JPEG XL plug-in 1.1",
    "*.jxl",
    "JPEG XL images",
};
const int kPluginInfoCount = 4;

const ScaledDecoder kScaledDecoder = {IsJxlHead, ReadJxlSize, DecodeJxl, ReadJxlProfile};

const PictureEncoder kPictureEncoder = {".jxl", EncodeJxl};
