// Canvas::LoadFile: the decoders in their order, each writing into the Canvas's own memory.
#include "imaging/picture_loading.h"

#include "common/allocator.h"
#include "common/failure_note.h"
#include "common/owners.h"
#include "imaging/draw_ahead.h"
#include "imaging/file_read_at.h"
#include "imaging/gdiplus_decoder.h"
#include "imaging/picture_orientation.h"
#include "imaging/picture_source.h"
#include "pluginhost/plugin_decoder.h"
#include "imaging/source_metadata.h"
#include "plugins/include/susie_plugin.h"

#include <cstring>

int DecodeSourceAtScale(Canvas* canvas, int denominator) {
    PictureSource& source = canvas->source;
    LONG width = 0;
    LONG height = 0;
    int result =
        source.scaledSize(source.file.data(), source.file.size, denominator, &width, &height);
    if (result == SUSIE_SUCCESS) {
        if (!canvas->Obtain(width, height, 32))
            return SUSIE_NO_MEMORY;
        // The Canvas is bottom-up: its top row is the last in memory.
        const LONG_PTR stride = static_cast<LONG_PTR>(width) * 4;
        auto* top = static_cast<unsigned char*>(canvas->bits) + (height - 1) * stride;
        result = source.scaled(source.file.data(), source.file.size, denominator, top, -stride,
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
    int result = plugin.scaledSize(source.file.data(), source.file.size, 1, &width, &height);
    if (result == SUSIE_SUCCESS) {
        source.width = width;
        source.height = height;
        source.scaledSize = plugin.scaledSize;
        source.scaled = plugin.scaled;
        source.iccProfile = plugin.iccProfile;
        source.exif = plugin.exif;
        source.scaledRows = plugin.scaledRows;
        result = DecodeDrawingAhead(canvas, plugin);
        if (result == SUSIE_NOT_IMPLEMENTED) {
            const int guess = ShrinkOnLoadEnabled() ? SpeculativeDenominator.load() : 1;
            result = DecodeSourceAtScale(canvas, guess);
            // Only a scale the plug-in does not offer is worth another try: a decode that
            // failed has let the picture go (Canvas::Release).
            if (result == SUSIE_NOT_IMPLEMENTED && guess != 1 && source.scaledSize != nullptr)
                result = DecodeSourceAtScale(canvas, 1);
        }
    }
    // "Unknown format" from a plug-in that can decode: it leaves this kind of its format to
    // GDI+ (ifpng does so with the PNGs GDI+ would give other pixels of), so GDI+'s reason
    // is the one to give.
    if (result != SUSIE_SUCCESS) {
        if (result != SUSIE_UNKNOWN_FORMAT || PluginIsUnavailable(plugin))
            NotePluginFailure(plugin, result);
        return 0;
    }
    return 1;
}

// Any other plug-in's picture, converted by GDI into the 32-bit section in one step.
int LoadPluginPicture(Canvas* canvas, const PluginExports& plugin) {
    PictureSource& source = canvas->source;
    PluginPictureInfo info;
    unsigned char* copy = nullptr;
    const int32_t result =
        GetPluginPicture(plugin, source.file.data(), source.file.size, &info, &copy);
    if (result != SUSIE_SUCCESS) {
        NotePluginFailure(plugin, result);
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

// Forgets the last picture and names the file of the next.
void StartPicture(PictureSource* source, const char* path) {
    ResetPictureSource(source);
    if (std::strlen(path) < sizeof source->path)
        std::memcpy(source->path, path, std::strlen(path) + 1);
}

} // namespace

// The file is opened once: the plug-ins are asked about its head, and for a file none of
// them takes, its declared size and metadata are read through the same handle before GDI+
// opens it.
int Canvas::LoadFile(const char* path) {
    StartPicture(&source, path);
    FileOwner file(OpenForReading(path));
    if (!file) {
        NoteFailure("cannot open the file: %s", DescribeWindowsError(GetLastError()));
        return 0;
    }
    const PluginExports* plugin = nullptr;
    bool pluginFailed = false;
    const bool noteWasEmpty = FailureNote()[0] == '\0';
    if (ReadFileForPlugins(file.get(), &source.file, &plugin)) {
        const int loaded = plugin->scaled != nullptr ? LoadScaledPicture(this, *plugin)
                                                     : LoadPluginPicture(this, *plugin);
        if (loaded) {
            if (SourceMetadataWanted && !source.metadataRead)
                ReadPluginSourceMetadata(&source);
            return 1;
        }
        // GDI+ may still read what the plug-in that took it cannot (ifpng leaves it the
        // kinds it does not decode as GDI+ does).
        StartPicture(&source, path);
        pluginFailed = true;
    }
    const FileReader reader = HandleReader(file.get());
    if (SourceMetadataWanted)
        ReadFileSourceMetadata(&source, reader);
    if (LoadWithGdiplus(path, reader, this)) {
        // The plug-in's reason is no reason any more, and a later failure of this image
        // must note its own.
        if (pluginFailed && noteWasEmpty)
            ClearFailureNote();
        source.width = info.bmiHeader.biWidth;
        source.height = info.bmiHeader.biHeight;
        return 1;
    }
    NoteFailure("neither a plug-in nor GDI+ can read it");
    return 0; // the previous image stays when no decoder started on it
}
