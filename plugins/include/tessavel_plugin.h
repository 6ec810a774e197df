/*
 * tessavel_plugin.h - exports our own plug-ins offer beside the Susie set. Other hosts never
 * look for them, and GetPicture stays complete, so our plug-ins remain plain Susie plug-ins.
 * tesrun binds them by name; a plug-in without them is used through GetPicture alone.
 *
 * Both take the picture's bytes in memory (the whole file). denominator is 1, 2, 4 or 8:
 * the picture scaled to 1/denominator of its width and height, as the decoder produces it
 * (a JPEG decoder's reduced-size IDCT), never a resample of the full picture.
 */
#ifndef TESSAVEL_PLUGIN_H
#define TESSAVEL_PLUGIN_H

#include "plugins/include/susie_plugin.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The picture's width and height at 1/denominator. SUSIE_NOT_IMPLEMENTED for a denominator
 * the plug-in cannot decode at (every plug-in that exports this decodes at 1); otherwise a
 * Susie result of reading the picture's header. */
typedef int(SUSIEAPI* GetPictureScaledSizeFunction)(const void* data, ULONG_PTR size,
                                                    int denominator, LONG* width, LONG* height);

/* Decodes the picture at 1/denominator into 32-bit pixels the host owns: blue, green, red
 * and a fourth byte of 0, as GDI's 32-bit BI_RGB DIBs; alpha composited over black. The row
 * that is y rows from the top starts at top + y * stride (a bottom-up DIB section passes its
 * last row and a negative stride). width and height must be what GetPictureScaledSize
 * answered, otherwise SUSIE_INTERNAL_ERROR. A Susie result; on failure the rows hold
 * nothing the host may use. */
typedef int(SUSIEAPI* GetPictureScaledFunction)(const void* data, ULONG_PTR size, int denominator,
                                                void* top, LONG_PTR stride, LONG width,
                                                LONG height);

/* Receives rows [first, first + count) of the picture GetPictureScaledRows decodes, in
 * order from the top, once the plug-in has written them to the host's band. Nonzero to go
 * on; zero stops the decode, which then answers SUSIE_ABORTED. */
typedef int(SUSIEAPI* PictureRowsFunction)(void* context, LONG first, LONG count);

/* GetPictureScaled with the rows handed over as they are decoded, for a host that consumes
 * them in order and never holds the whole picture: the row y rows from the top is written
 * at top + (y % band) * stride, so the band holds the last `band` rows (at least 16), and
 * rows(context, ...) is called as each run of rows is complete; a row's place is written
 * again only after the call that handed it over has returned. SUSIE_NOT_IMPLEMENTED from a
 * plug-in whose decoder cannot deliver rows in order, whatever the arguments (a host may ask
 * once with all of them zero): the host uses GetPictureScaled. */
typedef int(SUSIEAPI* GetPictureScaledRowsFunction)(const void* data, ULONG_PTR size,
                                                    int denominator, void* top, LONG_PTR stride,
                                                    LONG width, LONG height, LONG band,
                                                    PictureRowsFunction rows, void* context);

/* Nonzero when the plug-in may be called from several threads at once (it keeps no state of
 * its own between calls). A plug-in without this export is called from one thread at a time. */
typedef int(SUSIEAPI* PluginIsReentrantFunction)(void);

/* Metadata the file embeds, copied to block (capacity bytes) with its size in *blockSize; a
 * size of 0 when the picture has none. A block larger than capacity is not copied and
 * answers SUSIE_NO_MEMORY. Otherwise a Susie result of reading the file.
 *
 * GetPictureIccProfile: the ICC profile of the pixels GetPictureScaled gives; none when
 * their colours are sRGB already.
 * GetPictureExif: the Exif data, as the TIFF structure an APP1 "Exif\0\0" segment holds
 * (from its "II" or "MM" on). Its orientation tag tells how the pixels GetPictureScaled
 * gives must be turned: a plug-in whose decoder turns the picture itself (HEIF's irot and
 * imir) sets it to 1 in the copy. */
typedef int(SUSIEAPI* GetPictureMetadataFunction)(const void* data, ULONG_PTR size, void* block,
                                                  ULONG_PTR capacity, ULONG_PTR* blockSize);

/* Writing: a plug-in may also encode pictures. Both exports or neither, and only in a
 * plug-in that says PluginIsReentrant: the host saves on several threads at once. */

/* The output extensions the plug-in writes: dot included, lower case, separated by ';'
 * (".webp"). The text is the plug-in's and lives as long as the module. */
typedef const char*(SUSIEAPI* GetEncodedExtensionsFunction)(void);

/* Receives the encoded file's bytes, in order, possibly in several calls; nonzero when
 * they were taken. A zero answer ends the encode: the plug-in answers SUSIE_FILE_WRITE_ERROR. */
typedef int(SUSIEAPI* EncodedBytesFunction)(void* context, const void* bytes, ULONG_PTR size);

/* What the host asks a plug-in to encode. size is sizeof the record the host knows: fields
 * past it are taken as 0, so the record may grow at its end. */
typedef struct TessavelEncodeRequest {
    ULONG_PTR size;
    /* The picture: 32-bit pixels blue, green, red and a fourth byte the encoder ignores, as
     * GetPictureScaled delivers them. The row that is y rows from the top starts at
     * top + y * stride (a bottom-up DIB section passes its last row and a negative stride);
     * |stride| is at least 4 * width. */
    const void* top;
    LONG_PTR stride;
    LONG width;
    LONG height;
    const char* extension; /* the output's extension, one of GetEncodedExtensions' */
    int quality;           /* 0 to 100: the format's own lossy scale (docs/plugins.md) */
    int lossless;          /* nonzero: every pixel kept exactly; quality is then ignored */
    /* Metadata to embed; a size of 0 when there is none. exif: the TIFF structure (from its
     * "II" or "MM" on), already set as the output stands; icc: the ICC profile of the
     * pixels (none: they are sRGB). */
    const void* exif;
    ULONG_PTR exifSize;
    const void* icc;
    ULONG_PTR iccSize;
    /* 1 (fastest) to 9 (smallest files) on the scale common to our encoders, 7 being each
     * one's own default (docs/plugins.md); 0 or another value: the encoder's default. */
    int effort;
    /* PNG: 1 (fastest) to 9 (smallest files), the script's SetPngCompression; 0 or another
     * value: the writer's default (docs/plugins.md). */
    int compression;
} TessavelEncodeRequest;

/* Encodes the picture and hands the file's bytes to write(context, ...). A Susie result;
 * on failure reason (reasonSize bytes, always terminated) says why in a few words, such as
 * "WebP is at most 16383 pixels wide or high", and whatever was handed over is no file. */
typedef int(SUSIEAPI* EncodePictureFunction)(const TessavelEncodeRequest* request,
                                             EncodedBytesFunction write, void* context,
                                             char* reason, int reasonSize);

/* Why the plug-in cannot decode the pictures of its format in this process at all, when it
 * cannot: a library it needs could not be loaded, say. The text (one line, naming the
 * plug-in and what it lacks) is copied to text, cut to capacity bytes and always
 * terminated, and its length is the answer; 0 (an empty text) while the plug-in can decode.
 * A host asks after a call failed, to say more than the Susie result does; it may ask any
 * plug-in that exports it, from any thread. */
typedef int(SUSIEAPI* GetPluginUnavailableReasonFunction)(LPSTR text, int capacity);

#define TESSAVEL_GET_PICTURE_SCALED_SIZE "GetPictureScaledSize"
#define TESSAVEL_GET_PICTURE_SCALED "GetPictureScaled"
#define TESSAVEL_GET_PICTURE_SCALED_ROWS "GetPictureScaledRows"
#define TESSAVEL_PLUGIN_IS_REENTRANT "PluginIsReentrant"
#define TESSAVEL_GET_PICTURE_ICC_PROFILE "GetPictureIccProfile"
#define TESSAVEL_GET_PICTURE_EXIF "GetPictureExif"
#define TESSAVEL_GET_ENCODED_EXTENSIONS "GetEncodedExtensions"
#define TESSAVEL_ENCODE_PICTURE "EncodePicture"
#define TESSAVEL_GET_PLUGIN_UNAVAILABLE_REASON "GetPluginUnavailableReason"

#ifdef __cplusplus
}
#endif

#endif
