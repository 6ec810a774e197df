#include "scripthost/element_text.h"

#include "common/paths.h"
#include "scripthost/script_engine.h"

#include <cstring>

int DecodeTextBounded(ScriptElement* element, char* buffer, std::size_t size) {
    ScriptEngine& engine = *CurrentScriptEngine;
    if (element->type == SCRIPT_STRING) {
        // A text element's text is reachable through its value word: measure it first.
        const char* text = element->value.text;
        if (text != nullptr && std::strlen(text) >= size)
            return 0;
        return engine.DecodeElement(buffer, SCRIPT_STRING, element);
    }
    // Any other element's text is a short number text; decode it aside, then copy.
    char number[SCRIPT_NUMBER_TEXT_MAX + 1] = {};
    const int result = engine.DecodeElement(number, SCRIPT_STRING, element);
    number[SCRIPT_NUMBER_TEXT_MAX] = '\0';
    if (!CopyBounded(buffer, size, number))
        return 0;
    return result;
}
