// JPEG XL pictures through libjxl (jxl_decode.h), at full scale: the shared glue answers the
// other scales "not implemented" and the host reduces the full picture.
#include "plugins/ifjxl/jxl_decode.h"
#include "plugins/shared/plugin_format.h"
#include "plugins/shared/scaled_plugin.h"

const char* const kPluginInfoTexts[] = {
    "00IN",
    "Tessavel JPEG XL plug-in 1.1",
    "*.jxl",
    "JPEG XL images",
};
const int kPluginInfoCount = 4;

bool IsFormatHead(const unsigned char* head, size_t size) {
    return IsJxlHead(head, size);
}

DecodeStatus ReadScaledSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                            int32_t* height) {
    return ReadJxlSize(data, size, denominator, width, height);
}

DecodeStatus DecodeScaled(const unsigned char* data, size_t size, int denominator,
                          const DecodeTarget& target) {
    return DecodeJxl(data, size, denominator, target);
}
