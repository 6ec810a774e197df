// HEIC and AVIF pictures through libheif (heif_decode.h), at full scale: libheif has no
// reduced decode, so the shared glue answers the other scales "not implemented" and the host
// reduces the full picture.
#include "plugins/ifheif/heif_decode.h"
#include "plugins/shared/plugin_format.h"
#include "plugins/shared/scaled_plugin.h"

const char* const kPluginInfoTexts[] = {
    "00IN", "Tessavel HEIF plug-in 1.1", "*.heic;*.heif", "HEIC images", "*.avif", "AVIF images",
};
const int kPluginInfoCount = 6;

bool IsFormatHead(const unsigned char* head, size_t size) {
    return IsHeifHead(head, size);
}

DecodeStatus ReadScaledSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                            int32_t* height) {
    return ReadHeifSize(data, size, denominator, width, height);
}

DecodeStatus DecodeScaled(const unsigned char* data, size_t size, int denominator,
                          const DecodeTarget& target) {
    return DecodeHeif(data, size, denominator, target);
}
