// Running sources through the core's entry points, as a host does.
#pragma once

#include "script_core.h"

#include <string>
#include <string_view>

// A fresh engine reads source and runs every line; 1 when all of them succeeded, 0 when
// one failed, -1 when the source was not read.
inline int RunSource(std::string_view source) {
    script::ResetEngine();
    if (script::ReadScriptFileFromMemory(source.data(), static_cast<int32_t>(source.size())) == 0)
        return -1;
    int ok = 1;
    while (script::GetNextLine() != 0)
        ok &= script::LineExec();
    return ok;
}

inline std::string LastError() {
    char text[2048];
    script::GetErrorState(text, sizeof text);
    return text;
}

// A global's type name and text, e.g. "integer 3", or "missing".
inline std::string Global(const char* name) {
    ScriptElement* element = script::GetElement(name);
    if (element == nullptr)
        return "missing";
    static const char* const names[] = {"empty", "integer", "float", "string"};
    char text[script::kMaxTextBytes + 64];
    script::DecodeElement(text, SCRIPT_STRING, element);
    return std::string(names[element->type]) + " " + text;
}

// The value of one expression, as Global shows it; "error: <message>" when it fails.
inline std::string Evaluate(const std::string& expression) {
    const int result = RunSource("result = " + expression + "\n");
    if (result != 1)
        return "error: " + LastError();
    return Global("result");
}
