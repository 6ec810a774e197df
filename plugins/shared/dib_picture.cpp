#include "dib_picture.h"

#include "common/dib_stride.h"
#include "common/pixel_limit.h"

#include "plugins/include/susie_plugin.h"

uint64_t DibRowBytes(int32_t width, int bitCount) {
    if (width <= 0)
        return 0;
    const uint64_t bytes = DibStride(static_cast<uint64_t>(width), static_cast<uint64_t>(bitCount));
    return bytes <= kLargestPixelBlock ? bytes : 0;
}

int CreateDibPicture(DibPicture* picture, int32_t width, int32_t height, int bitCount) {
    *picture = DibPicture{};
    const uint64_t stride = DibRowBytes(width, bitCount);
    if (stride == 0 || height <= 0 || stride * static_cast<uint64_t>(height) > kLargestPixelBlock)
        return SUSIE_BROKEN_DATA;
    // A small file may declare an enormous picture: refused before anything is allocated.
    if (!PictureWithinPixelLimit(width, height))
        return SUSIE_NO_MEMORY;
    const uint32_t colors = bitCount <= 8 ? 1u << bitCount : 0;
    const SIZE_T infoBytes = sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD);
    const SIZE_T pixelBytes = static_cast<SIZE_T>(stride * static_cast<uint64_t>(height));

    picture->infoBlock = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, infoBytes);
    picture->pixelBlock = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, pixelBytes);
    if (picture->infoBlock == nullptr || picture->pixelBlock == nullptr) {
        DiscardDibPicture(picture);
        return SUSIE_NO_MEMORY;
    }
    picture->info = static_cast<BITMAPINFO*>(LocalLock(picture->infoBlock));
    picture->bits = static_cast<unsigned char*>(LocalLock(picture->pixelBlock));
    if (picture->info == nullptr || picture->bits == nullptr) {
        DiscardDibPicture(picture);
        return SUSIE_MEMORY_ERROR;
    }
    BITMAPINFOHEADER& header = picture->info->bmiHeader;
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height; // positive: rows bottom-up
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixelBytes);
    header.biClrUsed = colors;
    picture->width = width;
    picture->height = height;
    picture->stride = static_cast<uint32_t>(stride);
    return SUSIE_SUCCESS;
}

namespace {
void Unlock(DibPicture* picture) {
    if (picture->info != nullptr)
        LocalUnlock(picture->infoBlock);
    if (picture->bits != nullptr)
        LocalUnlock(picture->pixelBlock);
    picture->info = nullptr;
    picture->bits = nullptr;
}
} // namespace

void HandOverDibPicture(DibPicture* picture, HLOCAL* infoOut, HLOCAL* pixelsOut) {
    Unlock(picture);
    *infoOut = picture->infoBlock;
    *pixelsOut = picture->pixelBlock;
    *picture = DibPicture{};
}

void DiscardDibPicture(DibPicture* picture) {
    Unlock(picture);
    if (picture->infoBlock != nullptr)
        LocalFree(picture->infoBlock);
    if (picture->pixelBlock != nullptr)
        LocalFree(picture->pixelBlock);
    *picture = DibPicture{};
}
