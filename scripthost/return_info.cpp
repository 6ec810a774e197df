#include "scripthost/return_info.h"

#include "scripthost/element_text.h"
#include "scripthost/script_engine.h"
#include "scripthost/script_info.h"

#include <cstring>

namespace {
bool TextFits(const ScriptElement& element, std::size_t size) {
    return element.type != SCRIPT_STRING || element.value.text == nullptr ||
           std::strlen(element.value.text) < size;
}
} // namespace

int32_t SCRIPTAPI ReturnInfo(ScriptElement* arguments) {
    ScriptEngine& engine = *CurrentScriptEngine;
    // Both texts are measured before either field changes.
    if (!TextFits(arguments[0], sizeof ScriptInfo.name) ||
        !TextFits(arguments[1], sizeof ScriptInfo.author))
        return 0;
    ScriptInfo.name[0] = '\0';
    DecodeTextBounded(&arguments[0], ScriptInfo.name, sizeof ScriptInfo.name);
    ScriptInfo.author[0] = '\0';
    DecodeTextBounded(&arguments[1], ScriptInfo.author, sizeof ScriptInfo.author);
    int32_t result = 0;
    for (int i = 0; i < 4; ++i)
        result = engine.DecodeElement(&ScriptInfo.version[i], SCRIPT_INTEGER, &arguments[2 + i]);
    return result;
}
