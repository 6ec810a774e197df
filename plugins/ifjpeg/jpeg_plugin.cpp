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

bool IsFormatHead(const unsigned char* head, size_t size) {
    return IsJpegHead(head, size);
}

DecodeStatus ReadScaledSize(const unsigned char* data, size_t size, int denominator, int32_t* width,
                            int32_t* height) {
    return ReadJpegSize(data, size, denominator, width, height);
}

DecodeStatus DecodeScaled(const unsigned char* data, size_t size, int denominator,
                          const DecodeTarget& target) {
    return DecodeJpeg(data, size, denominator, target);
}
