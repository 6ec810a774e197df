#include "imaging/dib_header.h"

#include "common/dib_stride.h"

#include <cstring>

bool ComputeImageSize(int32_t width, int32_t height, uint16_t bitCount, int32_t* sizeOut) {
    if (width <= 0 || height <= 0)
        return false;
    if (bitCount != 16 && bitCount != 24 && bitCount != 32)
        return false;
    // 64-bit arithmetic: width × 32 and rows × stride both stay far below its limit.
    const int64_t size =
        static_cast<int64_t>(DibStride(static_cast<uint64_t>(width), bitCount)) * height;
    if (size > INT32_MAX)
        return false;
    *sizeOut = static_cast<int32_t>(size);
    return true;
}

bool FillDibHeader(BITMAPINFO* info, int32_t width, int32_t height, uint16_t bitCount) {
    std::memset(info, 0, sizeof *info);
    int32_t size = 0;
    if (!ComputeImageSize(width, height, bitCount, &size))
        return false;
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(size);
    return true;
}
