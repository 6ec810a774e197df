// The functions that tesrun's scripts can call, in the order they are registered: the ten,
// then SetAutoOrient, GetOrientation, SetKeepMetadata, SetConvertToSrgb, SetDrawFilter,
// SetSkipExisting, SetIncludeSubfolders, SetLossless, SaveCopy, SetEncodeEffort and
// SetPngCompression.
#pragma once

#include "script_api.h"

#include <cstddef>

// Format(format, values...): the values formatted as sprintf would, one conversion at a
// time, each from the element the walk over the format assigns to it. Fails (0) when the
// format or the result does not fit 1023 bytes, when a conversion needs a sixteenth
// element or more than 32 words, a width or precision over 1023, or when one conversion's
// flags, width and precision are longer than 29 characters.
int32_t SCRIPTAPI Format(ScriptElement* arguments);
// DoSubroutine(name, arguments...): calls the script function with the further arguments.
int32_t SCRIPTAPI DoSubroutine(ScriptElement* arguments);
int32_t SCRIPTAPI SetSize(ScriptElement* arguments);
int32_t SCRIPTAPI SetBackGround(ScriptElement* arguments);
int32_t SCRIPTAPI SetDrawMode(ScriptElement* arguments);
int32_t SCRIPTAPI Draw(ScriptElement* arguments);
// SetName, SetExifHeaderFile: a text longer than 259 bytes is refused, the setting stays
// as it was and the call fails (0).
int32_t SCRIPTAPI SetName(ScriptElement* arguments);
int32_t SCRIPTAPI SetQuality(ScriptElement* arguments);
int32_t SCRIPTAPI SetExifHeaderFile(ScriptElement* arguments);

struct NamedUserFunction {
    const char* name;
    UserFunction function;
};

// Format, DoSubroutine, ReturnInfo, SetSize, SetBackGround, SetDrawMode, Draw, SetName,
// SetQuality, SetExifHeaderFile, SetAutoOrient, GetOrientation, SetKeepMetadata, SetConvertToSrgb,
// SetDrawFilter, SetSkipExisting, SetIncludeSubfolders, SetLossless, SaveCopy, SetEncodeEffort,
// SetPngCompression.
constexpr std::size_t kUserFunctionCount = 21;
extern const NamedUserFunction UserFunctions[kUserFunctionCount];
