#include "scripthost/conversion_settings.h"

ConversionSettingsRecord ConversionSettings = {
    {}, kDefaultQuality, {}, ResampleFilter::None, false, 0, 0};
ResampleFilter RunDrawFilter = ResampleFilter::None;
int32_t RunEncodeEffort = 0;
int32_t RunPngCompression = 0;
SaveCopyFunction SaveCopyHandler = nullptr;

KeepMetadataLevel KeepMetadata = kKeepNothing;
bool ConvertToSrgb = false;
bool SkipExisting = false;
bool IncludeSubfolders = false;

void ResetConversionSettings(const char* fileName) {
    ConversionSettings.outputName[0] = '\0';
    CopyBounded(ConversionSettings.outputName, sizeof ConversionSettings.outputName, fileName);
    ConversionSettings.exifHeaderFile[0] = '\0';
    ConversionSettings.quality = kDefaultQuality;
    ConversionSettings.drawFilter = RunDrawFilter;
    ConversionSettings.lossless = false;
    ConversionSettings.encodeEffort = RunEncodeEffort;
    ConversionSettings.pngCompression = RunPngCompression;
}
