#include "imaging/picture_orientation.h"

#include "common/allocator.h"
#include "common/owners.h"
#include "imaging/draw_ahead.h"
#include "imaging/source_metadata.h"

#include <cstring>
#include <utility>

bool AutoOrient = false;

int PictureOrientation(Canvas* canvas) {
    return SourceMetadata(&canvas->source).orientation;
}

int TurnPixels(Canvas* canvas, int orientation) {
    if (orientation == 1 || canvas->bitmap == nullptr)
        return 1;
    const int32_t w = canvas->info.bmiHeader.biWidth;
    const int32_t h = canvas->info.bmiHeader.biHeight;
    const size_t bytes = static_cast<size_t>(canvas->imageSize);
    StorageOwner copy(AllocateStorage(bytes));
    if (copy.block == nullptr) {
        canvas->Release();
        return 0;
    }
    std::memcpy(copy.block, canvas->bits, bytes);
    const bool swaps = TurnSwapsSides(orientation);
    const int32_t uw = swaps ? h : w;
    const int32_t uh = swaps ? w : h;
    if (!canvas->Obtain(uw, uh, 32))
        return 0;
    // Both are bottom-up 32-bit sections: row y from the top is at (height - 1 - y).
    const auto* from = copy.as<uint32_t>();
    auto* to = static_cast<uint32_t*>(canvas->bits);
    for (int32_t y = 0; y < uh; ++y) {
        uint32_t* row = to + static_cast<size_t>(uh - 1 - y) * static_cast<size_t>(uw);
        for (int32_t x = 0; x < uw; ++x) {
            int32_t sx = x;
            int32_t sy = y;
            switch (orientation) {
            case 2:
                sx = w - 1 - x;
                break;
            case 3:
                sx = w - 1 - x, sy = h - 1 - y;
                break;
            case 4:
                sy = h - 1 - y;
                break;
            case 5:
                sx = y, sy = x;
                break;
            case 6:
                sx = y, sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y, sy = h - 1 - x;
                break;
            case 8:
                sx = w - 1 - y, sy = x;
                break;
            default:
                break;
            }
            row[x] = from[static_cast<size_t>(h - 1 - sy) * static_cast<size_t>(w) + sx];
        }
    }
    return 1;
}

int TurnUpright(Canvas* canvas) {
    PictureSource& source = canvas->source;
    const int orientation = PictureOrientation(canvas);
    if (orientation == 1 || source.turned != 1)
        return 1;
    if (!HoldPictureInsteadOfDraw(canvas) || !TurnPixels(canvas, orientation))
        return 0;
    source.turned = orientation;
    if (TurnSwapsSides(orientation))
        std::swap(source.width, source.height);
    return 1;
}
