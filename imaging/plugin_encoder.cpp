#include "imaging/plugin_encoder.h"

#include "common/dbcs_text.h"
#include "common/failure_note.h"
#include "common/owners.h"
#include "common/temporary_file.h"
#include "pluginhost/plugin_set.h"

#include <shlwapi.h>

#include <cstring>

namespace {

// True when the ';'-separated list holds extension, its letters in either case.
bool ListHolds(const char* list, const char* extension) {
    for (const char* at = list; *at != '\0';) {
        const char* end = std::strchr(at, ';');
        const size_t length = end != nullptr ? static_cast<size_t>(end - at) : std::strlen(at);
        char entry[sizeof PluginExports::encodedExtensions] = {};
        if (length < sizeof entry) {
            std::memcpy(entry, at, length);
            if (CompareIgnoringCase(entry, extension) == 0)
                return true;
        }
        if (end == nullptr)
            break;
        at = end + 1;
    }
    return false;
}

// Where the encoded bytes go: the temporary file, and the first write error.
struct FileSink {
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_SUCCESS;
};

int SUSIEAPI WriteToFile(void* context, const void* bytes, ULONG_PTR size) {
    auto* sink = static_cast<FileSink*>(context);
    const auto* at = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        const DWORD part = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(sink->file, at, part, &written, nullptr) || written != part) {
            sink->error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
            return 0;
        }
        at += part;
        size -= part;
    }
    return 1;
}

} // namespace

EncodePictureFunction FindPluginEncoder(const char* path, int32_t pngCompression) {
    const char* extension = PathFindExtensionA(path);
    if (extension[0] == '\0')
        return nullptr;
    if (pngCompression == 0 && CompareIgnoringCase(extension, ".png") == 0)
        return nullptr;
    for (int32_t i = 0; i < PluginSet.count; ++i) {
        const PluginExports& exports = PluginSet.exports[i];
        if (exports.encode != nullptr && ListHolds(exports.encodedExtensions, extension))
            return exports.encode;
    }
    return nullptr;
}

int SaveBitmapThroughPlugin(EncodePictureFunction encoder, HBITMAP bitmap, const char* path,
                            const PictureEncoding& encoding) {
    DIBSECTION section;
    // Anything but a DIB section fills less than a whole DIBSECTION.
    if (GetObjectA(bitmap, sizeof section, &section) != sizeof section ||
        section.dsBm.bmBits == nullptr || section.dsBmih.biBitCount != 32) {
        NoteFailure("there is no picture to save");
        return 0;
    }
    const LONG width = section.dsBmih.biWidth;
    const LONG height = section.dsBmih.biHeight;
    const LONG_PTR stride = section.dsBm.bmWidthBytes;
    auto* bits = static_cast<unsigned char*>(section.dsBm.bmBits);
    TessavelEncodeRequest request;
    std::memset(&request, 0, sizeof request);
    request.size = sizeof request;
    // The TargetCanvas is bottom-up: its top row is the last in memory.
    request.top = height > 0 ? bits + (height - 1) * stride : bits;
    request.stride = height > 0 ? -stride : stride;
    request.width = width;
    request.height = height > 0 ? height : -height;
    request.extension = PathFindExtensionA(path);
    request.quality = encoding.quality;
    request.lossless = encoding.lossless ? 1 : 0;
    request.exif = encoding.exif;
    request.exifSize = encoding.exifSize;
    request.icc = encoding.icc;
    request.iccSize = encoding.iccSize;
    request.effort = encoding.effort;
    request.compression = encoding.compression;

    TemporaryFile temporary;
    if (!temporary.CreateBeside(path)) {
        NoteFailure("cannot create a temporary file in the destination folder: %s",
                    DescribeWindowsError(GetLastError()));
        return 0;
    }
    FileSink sink;
    {
        FileOwner file(CreateFileA(temporary.path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            NoteFailure("cannot write the temporary file: %s",
                        DescribeWindowsError(GetLastError()));
            return 0;
        }
        sink.file = file.get(); // closed before the move: an open file cannot be moved
        char reason[160] = {};
        const int result = encoder(&request, WriteToFile, &sink, reason, sizeof reason);
        if (sink.error != ERROR_SUCCESS) {
            NoteFailure("the encoder could not write the file: %s",
                        DescribeWindowsError(sink.error));
            return 0;
        }
        if (result != SUSIE_SUCCESS) {
            if (reason[0] != '\0')
                NoteFailure("%s", reason);
            else
                NoteFailure("the encoder could not encode the picture (plug-in result %d)", result);
            return 0;
        }
    }
    if (!temporary.MoveOnto(path)) {
        NoteFailure("cannot replace the output file: %s", DescribeWindowsError(GetLastError()));
        return 0;
    }
    return 1;
}
