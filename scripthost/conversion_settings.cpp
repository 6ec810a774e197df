#include "scripthost/conversion_settings.h"

ConversionSettingsRecord ConversionSettings = {{}, kDefaultQuality, {}};
