#include "scripthost/user_functions.h"

#include "imaging/canvas.h"
#include "imaging/picture_orientation.h"
#include "imaging/source_draw.h"
#include "scripthost/conversion_settings.h"
#include "scripthost/deferred_painting.h"
#include "scripthost/element_text.h"
#include "scripthost/format_text.h"
#include "scripthost/script_info.h"
#include "scripthost/script_engine.h"

#include <cstring>

namespace {

ScriptEngine& Engine() {
    return *CurrentScriptEngine;
}

int32_t DecodeInteger(ScriptElement* element, int32_t* value) {
    return Engine().DecodeElement(value, SCRIPT_INTEGER, element);
}

int32_t ReturnInteger(int32_t value) {
    return Engine().ReturnElement(&value, SCRIPT_INTEGER);
}

// Reads a text argument into a setting of kPathSize bytes. A text that does not fit is
// refused and the setting keeps its value.
int32_t SetPathSetting(ScriptElement* element, char* setting) {
    char text[kPathSize];
    text[0] = '\0';
    const int32_t result = DecodeTextBounded(element, text, sizeof text);
    if (result == 0)
        return 0;
    std::memcpy(setting, text, sizeof text);
    return result;
}

// GDI's device coordinates have 27 bits (plus sign); Wine's StretchBlt even divides by zero
// on a width of -2^31. No canvas reaches this far, so a value beyond it is refused.
constexpr int32_t kLargestCoordinate = (1 << 27) - 1;

bool AreGdiCoordinates(const int32_t* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (values[i] < -kLargestCoordinate || values[i] > kLargestCoordinate)
            return false;
    }
    return true;
}

} // namespace

int32_t SCRIPTAPI Format(ScriptElement* arguments) {
    char format[kFormatTextSize];
    format[0] = '\0';
    if (!DecodeTextBounded(&arguments[0], format, sizeof format))
        return 0;
    char result[kFormatTextSize];
    if (!FormatElements(format, &arguments[1], result))
        return 0;
    return Engine().ReturnElement(result, SCRIPT_STRING);
}

int32_t SCRIPTAPI DoSubroutine(ScriptElement* arguments) {
    char name[kFormatTextSize];
    name[0] = '\0';
    if (!DecodeTextBounded(&arguments[0], name, sizeof name))
        return 0;
    ScriptEngine& engine = Engine();
    engine.ClearElement(&arguments[0]);
    // The further arguments become the called function's own, in their order.
    std::memmove(&arguments[0], &arguments[1], (SCRIPT_ARGUMENT_COUNT - 1) * sizeof(ScriptElement));
    arguments[SCRIPT_ARGUMENT_COUNT - 1].type = SCRIPT_EMPTY;
    engine.DefragElement();
    return engine.FunctionExec(name);
}

int32_t SCRIPTAPI SetSize(ScriptElement* arguments) {
    int32_t v[2] = {};
    DecodeInteger(&arguments[0], &v[0]);
    DecodeInteger(&arguments[1], &v[1]);
    return ReturnInteger(Paint(kPaintSize, v));
}

int32_t SCRIPTAPI SetBackGround(ScriptElement* arguments) {
    int32_t v[3] = {};
    DecodeInteger(&arguments[0], &v[0]);
    DecodeInteger(&arguments[1], &v[1]);
    DecodeInteger(&arguments[2], &v[2]);
    return ReturnInteger(Paint(kPaintBackground, v));
}

int32_t SCRIPTAPI SetDrawMode(ScriptElement* arguments) {
    int32_t mode = -1;
    DecodeInteger(&arguments[0], &mode);
    if (mode != 0 && mode != 1)
        return ReturnInteger(0);
    return ReturnInteger(Paint(kPaintDrawMode, &mode));
}

int32_t SCRIPTAPI Draw(ScriptElement* arguments) {
    int32_t v[8] = {};
    for (int i = 0; i < 8; ++i)
        DecodeInteger(&arguments[i], &v[i]);
    if (!AreGdiCoordinates(v, 8))
        return ReturnInteger(0);
    return ReturnInteger(Paint(kPaintDraw, v));
}

int32_t SCRIPTAPI SetName(ScriptElement* arguments) {
    return SetPathSetting(&arguments[0], ConversionSettings.outputName);
}

int32_t SCRIPTAPI SetQuality(ScriptElement* arguments) {
    int32_t quality = -1;
    DecodeInteger(&arguments[0], &quality);
    if (quality < 0 || quality > 100)
        return ReturnInteger(0);
    ConversionSettings.quality = quality;
    return ReturnInteger(1);
}

int32_t SCRIPTAPI SetExifHeaderFile(ScriptElement* arguments) {
    return SetPathSetting(&arguments[0], ConversionSettings.exifHeaderFile);
}

// A run-wide switch: 0 or 1 sets it (result 1), anything else leaves it (result 0).
int32_t SetRunSwitch(ScriptElement* element, bool* value) {
    int32_t on = 0;
    DecodeInteger(element, &on);
    if (on != 0 && on != 1)
        return ReturnInteger(0);
    *value = on == 1;
    return ReturnInteger(1);
}

// SetAutoOrient(on): from now on, every picture is turned upright by its Exif orientation
// before Main sees it (run-wide: the per-image reset leaves it).
int32_t SCRIPTAPI SetAutoOrient(ScriptElement* arguments) {
    return SetRunSwitch(&arguments[0], &AutoOrient);
}

// GetOrientation(): the Exif orientation the image's file declares, 1 to 8 (1 when none),
// whether or not the picture was turned.
int32_t SCRIPTAPI GetOrientation(ScriptElement*) {
    return ReturnInteger(PictureOrientation(&SourceCanvas));
}

// SetKeepMetadata(level): from now on, a JPEG output carries the source's Exif and ICC
// profile (run-wide, like SetAutoOrient): 1 what describes the picture, without the owner's
// location, serial numbers and name; 2 with them; 0 nothing. Another level changes nothing
// (result 0).
int32_t SCRIPTAPI SetKeepMetadata(ScriptElement* arguments) {
    int32_t level = -1;
    DecodeInteger(&arguments[0], &level);
    if (level < kKeepNothing || level > kKeepWithLocation)
        return ReturnInteger(0);
    KeepMetadata = static_cast<KeepMetadataLevel>(level);
    return ReturnInteger(1);
}

// SetConvertToSrgb(on): from now on, a picture whose JPEG carries a wide-gamut ICC profile
// has its pixels converted to sRGB before Main sees it (run-wide, like SetAutoOrient).
int32_t SCRIPTAPI SetConvertToSrgb(ScriptElement* arguments) {
    return SetRunSwitch(&arguments[0], &ConvertToSrgb);
}

// SetDrawFilter(name): every later Draw of this image ("lanczos3", "lanczos2", "bicubic",
// "box") resamples with our own filter instead of StretchBlt; "" goes back to StretchBlt.
// On a top-level line it chooses the run's default, to which every image returns. Not a
// property of the dc: SetSize keeps it. An unknown name changes nothing (result 0).
int32_t SCRIPTAPI SetDrawFilter(ScriptElement* arguments) {
    char name[16];
    name[0] = '\0';
    ResampleFilter filter = ResampleFilter::None;
    if (!DecodeTextBounded(&arguments[0], name, sizeof name) || !FindResampleFilter(name, &filter))
        return ReturnInteger(0);
    ConversionSettings.drawFilter = filter;
    return ReturnInteger(1);
}

// SetSkipExisting(on): from now on, an image whose output exists and is not older than its
// source is neither encoded nor written again (run-wide, like SetAutoOrient).
int32_t SCRIPTAPI SetSkipExisting(ScriptElement* arguments) {
    return SetRunSwitch(&arguments[0], &SkipExisting);
}

// SetIncludeSubfolders(on): the run converts the source's subfolders too (run-wide, like
// SetAutoOrient; only the top-level lines come before the source is searched).
int32_t SCRIPTAPI SetIncludeSubfolders(ScriptElement* arguments) {
    return SetRunSwitch(&arguments[0], &IncludeSubfolders);
}

// SetLossless(on): this image's WebP, AVIF or JPEG XL output keeps every pixel exactly
// (per image, like SetQuality, which it overrides; GDI+'s formats ignore it).
int32_t SCRIPTAPI SetLossless(ScriptElement* arguments) {
    return SetRunSwitch(&arguments[0], &ConversionSettings.lossless);
}

// SaveCopy(name): saves the TargetCanvas as it stands under name in the destination folder,
// as the output is saved; Main may then draw the next size. 1 when saved, else 0 (the
// reason is printed).
int32_t SCRIPTAPI SaveCopy(ScriptElement* arguments) {
    char name[kPathSize];
    name[0] = '\0';
    if (DecodeTextBounded(&arguments[0], name, sizeof name) == 0 || SaveCopyHandler == nullptr)
        return ReturnInteger(0);
    return ReturnInteger(SaveCopyHandler(name) ? 1 : 0);
}

// SetEncodeEffort(effort): this image's WebP, AVIF or JPEG XL output is encoded with effort
// 1 (fastest) to 9 (smallest), 7 being each encoder's own default (per image, like
// SetQuality; on a top-level line it chooses the run's default, as SetDrawFilter does;
// GDI+'s formats ignore it). Another value changes nothing (result 0).
int32_t SCRIPTAPI SetEncodeEffort(ScriptElement* arguments) {
    int32_t effort = -1;
    DecodeInteger(&arguments[0], &effort);
    if (effort < kFastestEncodeEffort || effort > kSlowestEncodeEffort)
        return ReturnInteger(0);
    ConversionSettings.encodeEffort = effort;
    return ReturnInteger(1);
}

// SetPngCompression(level): this image's PNG output is written by our own writer (ifpng) at
// level 1 (fastest) to 9 (smallest), or by GDI+ for 0, as without the call (per image and
// run-wide as SetEncodeEffort). Another value changes nothing (result 0).
int32_t SCRIPTAPI SetPngCompression(ScriptElement* arguments) {
    int32_t level = -1;
    DecodeInteger(&arguments[0], &level);
    if (level < 0 || level > kSmallestPngCompression)
        return ReturnInteger(0);
    ConversionSettings.pngCompression = level;
    return ReturnInteger(1);
}

const NamedUserFunction UserFunctions[kUserFunctionCount] = {
    {"Format", Format},
    {"DoSubroutine", DoSubroutine},
    {"ReturnInfo", ReturnInfo},
    {"SetSize", SetSize},
    {"SetBackGround", SetBackGround},
    {"SetDrawMode", SetDrawMode},
    {"Draw", Draw},
    {"SetName", SetName},
    {"SetQuality", SetQuality},
    {"SetExifHeaderFile", SetExifHeaderFile},
    // Registered after the ten, so that scripts which define functions of these names
    // behave as before.
    {"SetAutoOrient", SetAutoOrient},
    {"GetOrientation", GetOrientation},
    {"SetKeepMetadata", SetKeepMetadata},
    {"SetConvertToSrgb", SetConvertToSrgb},
    {"SetDrawFilter", SetDrawFilter},
    {"SetSkipExisting", SetSkipExisting},
    {"SetIncludeSubfolders", SetIncludeSubfolders},
    {"SetLossless", SetLossless},
    {"SaveCopy", SaveCopy},
    {"SetEncodeEffort", SetEncodeEffort},
    {"SetPngCompression", SetPngCompression},
};
