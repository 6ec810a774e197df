#include "metadata/srgb_conversion.h"

#include "metadata/photo_metadata.h"

#include <lcms2.h>

#include <cstring>

namespace {

// The transform made for the last profile, and that profile's bytes to recognise it by.
struct KeptTransform {
    cmsHTRANSFORM transform = nullptr;
    SrgbTransform answer = SrgbTransform::kUnusable;
    unsigned char profile[kLargestIccProfile];
    size_t size = 0; // 0: nothing kept
    ~KeptTransform() { Forget(); }
    void Forget() {
        if (transform != nullptr)
            cmsDeleteTransform(transform);
        transform = nullptr;
        size = 0;
    }
};
KeptTransform kept; // 1 MiB: not on the stack

struct ProfileOwner {
    cmsHPROFILE profile;
    ~ProfileOwner() {
        if (profile != nullptr)
            cmsCloseProfile(profile);
    }
};

// Whether the profile names itself sRGB (as "sRGB IEC61966-2.1" and its kin do): converting
// would only round the pixels.
bool NamesItselfSrgb(cmsHPROFILE profile) {
    char description[256] = {};
    cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", description,
                           sizeof description);
    return std::strstr(description, "sRGB") != nullptr;
}

SrgbTransform MakeTransform(const unsigned char* profile, size_t size) {
    const ProfileOwner from{cmsOpenProfileFromMem(profile, static_cast<cmsUInt32Number>(size))};
    if (from.profile == nullptr)
        return SrgbTransform::kUnusable;
    if (cmsGetColorSpace(from.profile) != cmsSigRgbData || NamesItselfSrgb(from.profile))
        return SrgbTransform::kNotNeeded;
    const ProfileOwner to{cmsCreate_sRGBProfile()};
    if (to.profile == nullptr)
        return SrgbTransform::kUnusable;
    kept.transform = cmsCreateTransform(from.profile, TYPE_BGRA_8, to.profile, TYPE_BGRA_8,
                                        INTENT_PERCEPTUAL, cmsFLAGS_COPY_ALPHA);
    return kept.transform != nullptr ? SrgbTransform::kReady : SrgbTransform::kUnusable;
}

} // namespace

SrgbTransform PrepareSrgbTransform(const unsigned char* profile, size_t size) {
    if (size == 0 || size > sizeof kept.profile)
        return SrgbTransform::kUnusable;
    if (kept.size == size && std::memcmp(kept.profile, profile, size) == 0)
        return kept.answer;
    kept.Forget();
    kept.answer = MakeTransform(profile, size);
    std::memcpy(kept.profile, profile, size);
    kept.size = size;
    return kept.answer;
}

void ConvertRowsToSrgb(unsigned char* pixels, int width, int height, size_t rowBytes) {
    if (kept.transform == nullptr || width <= 0 || height <= 0)
        return;
    const auto stride = static_cast<cmsUInt32Number>(rowBytes);
    cmsDoTransformLineStride(kept.transform, pixels, pixels, static_cast<cmsUInt32Number>(width),
                             static_cast<cmsUInt32Number>(height), stride, stride, 0, 0);
}
