// HEIC and AVIF pictures through libheif (heif_decode.h), at full scale: libheif has no
// reduced decode, so the shared glue answers the other scales "not implemented" and the host
// reduces the full picture.
#include "plugins/ifheif/heif_decode.h"
#include "plugins/ifheif/heif_encode.h"
#include "plugins/ifheif/heif_library.h"
#include "plugins/shared/plugin_format.h"
#include "plugins/shared/scaled_plugin.h"

const char* const kPluginInfoTexts[] = {
    "00IN", "Tessavel HEIF plug-in 1.1", "*.heic;*.heif", "HEIC images", "*.avif", "AVIF images",
};
const int kPluginInfoCount = 6;

const ScaledDecoder kScaledDecoder = {IsHeifHead,      ReadHeifSize, DecodeHeif,
                                      ReadHeifProfile, ReadHeifExif, HeifUnavailableReason};

const PictureEncoder kPictureEncoder = {".avif", EncodeAvif};
