#include "element_codec.h"

#include "error.h"
#include "script_core.h"

#include <cstring>

namespace script {

void DecodeTo(void* destination, int32_t type, const ScriptElement& element) {
    const int32_t held = element.type;
    switch (type) {
    case SCRIPT_INTEGER: {
        int32_t v = 0;
        if (held == SCRIPT_INTEGER)
            v = element.value.integer;
        else if (held == SCRIPT_FLOAT)
            v = ClampToInt32(element.value.real);
        else if (held == SCRIPT_STRING && element.value.text != nullptr)
            v = ClampToInt32(ParseNumberText(element.value.text));
        std::memcpy(destination, &v, sizeof v);
        return;
    }
    case SCRIPT_FLOAT: {
        float v = 0.0f;
        if (held == SCRIPT_INTEGER)
            v = static_cast<float>(element.value.integer);
        else if (held == SCRIPT_FLOAT)
            v = element.value.real;
        else if (held == SCRIPT_STRING && element.value.text != nullptr)
            v = static_cast<float>(ParseNumberText(element.value.text));
        std::memcpy(destination, &v, sizeof v);
        return;
    }
    case SCRIPT_STRING: {
        char* out = static_cast<char*>(destination);
        if (held == SCRIPT_STRING) {
            const char* text = element.value.text != nullptr ? element.value.text : "";
            std::memmove(out, text, std::strlen(text) + 1); // the destination may be the text
            return;
        }
        Value v;
        if (held == SCRIPT_INTEGER)
            v = MakeInteger(element.value.integer);
        else if (held == SCRIPT_FLOAT)
            v = MakeFloat(element.value.real);
        const std::string text = ValueText(v); // at most 31 bytes
        std::memcpy(out, text.c_str(), text.size() + 1);
        return;
    }
    default:
        FailUsage("DecodeElement: unknown type " + std::to_string(type));
    }
}

namespace {
// A 32-bit number the host hands over by address.
template <class Number> Number NumberFromHost(const void* source) {
    if (source == nullptr)
        FailUsage("no value to store");
    Number v{};
    std::memcpy(&v, source, sizeof v);
    return v;
}
} // namespace

Value ValueFromHost(const void* source, int32_t type) {
    switch (type) {
    case SCRIPT_EMPTY:
        return Value{};
    case SCRIPT_INTEGER:
        return MakeInteger(NumberFromHost<int32_t>(source));
    case SCRIPT_FLOAT:
        return MakeFloat(NumberFromHost<float>(source));
    case SCRIPT_STRING: {
        const char* text = source != nullptr ? static_cast<const char*>(source) : "";
        const std::size_t length = std::strlen(text);
        if (length > kMaxTextBytes)
            FailUsage(TextTooLong());
        return MakeText(std::string(text, length));
    }
    default:
        FailUsage("unknown element type " + std::to_string(type));
    }
}

} // namespace script
