#include "value.h"

#include <charconv>
#include <cmath>

namespace script {

Value MakeInteger(int32_t v) {
    Value r;
    r.type = SCRIPT_INTEGER;
    r.integer = v;
    return r;
}

Value MakeFloat(float v) {
    Value r;
    r.type = SCRIPT_FLOAT;
    r.real = v;
    return r;
}

Value MakeText(std::string text) {
    Value r;
    r.type = SCRIPT_STRING;
    r.text = std::move(text);
    return r;
}

int32_t ClampToInt32(double v) {
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

double ParseNumberText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Only decimal digits start a number: "inf", "nan" and hex are no numbers here.
    if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.'))
        return 0.0;
    double v = 0.0;
    auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), v,
                                        std::chars_format::fixed | std::chars_format::scientific);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: infinity (clamped by whoever narrows it)
        // or zero, by the sign of the exponent.
        const std::string_view digits(text.data() + i,
                                      static_cast<std::size_t>(end - (text.data() + i)));
        const std::size_t e = digits.find_first_of("eE");
        const bool tiny =
            e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-';
        v = tiny ? 0.0 : HUGE_VAL;
    } else if (error != std::errc()) {
        return 0.0;
    }
    return negative ? -v : v;
}

std::string ValueText(const Value& v) {
    char buffer[40];
    switch (v.type) {
    case SCRIPT_INTEGER: {
        auto result = std::to_chars(buffer, buffer + sizeof buffer, v.integer);
        return std::string(buffer, result.ptr);
    }
    case SCRIPT_FLOAT: {
        if (std::isnan(v.real))
            return "nan";
        if (std::isinf(v.real))
            return v.real < 0 ? "-inf" : "inf";
        auto result = std::to_chars(buffer, buffer + sizeof buffer, v.real);
        std::string text(buffer, result.ptr);
        if (text.find_first_of(".e") == std::string::npos)
            text += ".0"; // a float shows that it is one
        return text;
    }
    case SCRIPT_STRING:
        return v.text;
    default:
        return std::string();
    }
}

bool IsTrue(const Value& v) {
    switch (v.type) {
    case SCRIPT_INTEGER:
        return v.integer != 0;
    case SCRIPT_FLOAT:
        return v.real != 0.0f;
    case SCRIPT_STRING:
        return !v.text.empty();
    default:
        return false;
    }
}

const char* TypeName(int32_t type) {
    switch (type) {
    case SCRIPT_INTEGER:
        return "integer";
    case SCRIPT_FLOAT:
        return "float";
    case SCRIPT_STRING:
        return "string";
    default:
        return "empty";
    }
}

} // namespace script
