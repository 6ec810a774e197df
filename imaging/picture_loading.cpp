// Canvas::LoadFile: the decoders in their order, each writing into the Canvas's own memory.
#include "imaging/canvas.h"

#include "common/failure_note.h"
#include "imaging/gdiplus_decoder.h"
#include "imaging/picture_orientation.h"
#include "imaging/picture_source.h"
#include "imaging/plugin_decoder.h"
#include "imaging/source_draw.h"
#include "imaging/source_metadata.h"
#include "plugins/include/susie_plugin.h"

#include <cstdlib>
#include <cstring>

std::atomic<int> SpeculativeDenominator{8};

void ResetPictureSource(PictureSource* source) {
    source->width = 0;
    source->height = 0;
    source->denominator = 1;
    source->scaledSize = nullptr;
    source->scaled = nullptr;
    source->iccProfile = nullptr;
    source->exif = nullptr;
    source->imageSize = 0;
    source->lost = false;
    source->orientation = 0;
    source->turned = 1;
    source->exifDamaged = false;
    source->inSrgb = false;
}

bool ShrinkOnLoadEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("TESSAVEL_SHRINK_ON_LOAD");
        return value == nullptr || std::strcmp(value, "0") != 0;
    }();
    return enabled;
}

int DecodeSourceAtScale(Canvas* canvas, int denominator) {
    PictureSource& source = canvas->source;
    LONG width = 0;
    LONG height = 0;
    int result =
        source.scaledSize(source.image.block, source.imageSize, denominator, &width, &height);
    if (result == SUSIE_SUCCESS) {
        if (!canvas->Obtain(width, height, 32))
            return SUSIE_NO_MEMORY;
        // The Canvas is bottom-up: its top row is the last in memory.
        const LONG_PTR stride = static_cast<LONG_PTR>(width) * 4;
        auto* top = static_cast<unsigned char*>(canvas->bits) + (height - 1) * stride;
        result = source.scaled(source.image.block, source.imageSize, denominator, top, -stride,
                               width, height);
        if (result != SUSIE_SUCCESS) {
            // Half-decoded rows are nothing to draw from.
            canvas->Release();
            return result;
        }
    }
    if (result == SUSIE_SUCCESS && source.turned != 1 && !TurnPixels(canvas, source.turned)) {
        canvas->Release();
        result = SUSIE_NO_MEMORY;
    }
    if (result == SUSIE_SUCCESS) {
        ConvertAgainToSrgb(canvas);
        source.denominator = denominator;
    }
    return result;
}

namespace {

// A picture from one of our plug-ins, decoded at the speculative scale when the plug-in can
// (falling back to the full scale), so that the usual thumbnail never needs the full decode.
int LoadScaledPicture(Canvas* canvas, const PluginExports& plugin) {
    PictureSource& source = canvas->source;
    LONG width = 0;
    LONG height = 0;
    int result = plugin.scaledSize(source.image.block, source.imageSize, 1, &width, &height);
    if (result == SUSIE_SUCCESS) {
        source.width = width;
        source.height = height;
        source.scaledSize = plugin.scaledSize;
        source.scaled = plugin.scaled;
        source.iccProfile = plugin.iccProfile;
        source.exif = plugin.exif;
        const int guess = ShrinkOnLoadEnabled() ? SpeculativeDenominator.load() : 1;
        result = DecodeSourceAtScale(canvas, guess);
        if (result == SUSIE_NOT_IMPLEMENTED && guess != 1)
            result = DecodeSourceAtScale(canvas, 1);
    }
    if (result != SUSIE_SUCCESS) {
        NoteFailure("the plug-in that takes it cannot decode it (%s)", DescribeSusieError(result));
        return 0;
    }
    return 1;
}

// Any other plug-in's picture, converted by GDI into the 32-bit section in one step.
int LoadPluginPicture(Canvas* canvas) {
    PictureSource& source = canvas->source;
    PluginPictureInfo info;
    unsigned char* copy = nullptr;
    const int32_t result =
        GetPluginPicture(source.image.as<unsigned char>(), source.imageSize, &info, &copy);
    if (result != SUSIE_SUCCESS) {
        NoteFailure("the plug-in that takes it cannot decode it (%s)", DescribeSusieError(result));
        return 0;
    }
    StorageOwner pixels(copy);
    const BITMAPINFOHEADER& header = info.header;
    // Compressed rows would be read as far as the header claims, past the copy.
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) {
        NoteFailure("the plug-in's picture is compressed (%lu)",
                    static_cast<unsigned long>(header.biCompression));
        return 0;
    }
    const int32_t width = header.biWidth;
    const int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (!canvas->Obtain(width, height, 32))
        return 0;
    // SetDIBitsToDevice reads the rows either way up, as the header says.
    if (SetDIBitsToDevice(canvas->dc, 0, 0, width, height, 0, 0, 0, height, pixels.block,
                          reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS) != height) {
        canvas->Release();
        return 0;
    }
    source.width = width;
    source.height = height;
    return 1;
}

} // namespace

int Canvas::LoadFile(const char* path) {
    const PluginExports* plugin = nullptr;
    ResetPictureSource(&source);
    source.path[0] = '\0';
    if (std::strlen(path) < sizeof source.path)
        std::memcpy(source.path, path, std::strlen(path) + 1);
    if (ReadFileForPlugins(path, &source, &plugin)) {
        const int loaded =
            plugin->scaled != nullptr ? LoadScaledPicture(this, *plugin) : LoadPluginPicture(this);
        if (loaded)
            return 1;
        // GDI+ may still read what the plug-in that took it cannot.
        ResetPictureSource(&source);
    }
    if (LoadWithGdiplus(path, this)) {
        source.width = info.bmiHeader.biWidth;
        source.height = info.bmiHeader.biHeight;
        return 1;
    }
    NoteFailure("neither a plug-in nor GDI+ can read it");
    return 0; // the previous image stays when no decoder started on it
}
