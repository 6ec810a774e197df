#include "imaging/srgb_conversion.h"

#include <lcms2.h>

#include <cstring>

namespace {

constexpr size_t kPartHeader = 2 + 2 + 14; // marker, length, "ICC_PROFILE\0", n, N

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

size_t JoinJpegIccProfile(const JpegMetadata& metadata, unsigned char* profile,
                          const char** reason) {
    const int count = metadata.iccCount;
    if (count <= 0)
        return 0;
    // Part n (1 to N, every part saying the same N) goes n-th, whatever order the file has.
    const unsigned char* parts[16] = {};
    size_t sizes[16] = {};
    for (int i = 0; i < count; ++i) {
        const unsigned char* segment = metadata.icc[i];
        const int number = segment[kPartHeader - 2];
        if (segment[kPartHeader - 1] != count || number < 1 || number > count ||
            parts[number - 1] != nullptr) {
            *reason = "its ICC profile's parts do not fit together";
            return 0;
        }
        parts[number - 1] = segment + kPartHeader;
        sizes[number - 1] = metadata.iccSize[i] - kPartHeader;
    }
    size_t size = 0;
    for (int i = 0; i < count; ++i) {
        std::memcpy(profile + size, parts[i], sizes[i]);
        size += sizes[i];
    }
    return size;
}

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
