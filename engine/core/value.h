// Values of the language: empty, 32-bit integer, 32-bit float, byte text.
#pragma once

#include "script_api.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace script {

struct Value {
    int32_t type = SCRIPT_EMPTY; // the ElementType codes
    int32_t integer = 0;
    float real = 0.0f;
    std::string text;
};

Value MakeInteger(int32_t v);
Value MakeFloat(float v);
Value MakeText(std::string text);

// A float or double to int32: truncated toward zero, out-of-range values clamped,
// NaN gives 0.
int32_t ClampToInt32(double v);
// The leading decimal number of a text (spaces, sign, digits, fraction, exponent);
// 0 when it starts with none.
double ParseNumberText(std::string_view text);
// The text of a value: a number in decimal (a float always shows a point, an exponent,
// "inf" or "nan"), a text itself, empty as "". At most 31 bytes for a number.
std::string ValueText(const Value& v);
bool IsTrue(const Value& v);
const char* TypeName(int32_t type);

} // namespace script
