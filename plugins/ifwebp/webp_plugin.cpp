// WebP pictures through libwebp (webp_decode.h), at every scale the shared glue of
// plugins/shared/scaled_plugin.h offers.
#include "plugins/ifwebp/webp_decode.h"
#include "plugins/ifwebp/webp_encode.h"
#include "plugins/shared/plugin_format.h"
#include "plugins/shared/scaled_plugin.h"

const char* const kPluginInfoTexts[] = {
    "00IN",
    "Tessavel WebP plug-in 1.1",
    "*.webp",
    "WebP images",
};
const int kPluginInfoCount = 4;

const ScaledDecoder kScaledDecoder = {IsWebpHead, ReadWebpSize, DecodeWebp, ReadWebpProfile,
                                      ReadWebpExif};

const PictureEncoder kPictureEncoder = {".webp", EncodeWebp};
