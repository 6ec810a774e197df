// What a host's DoSubroutine does to the engine, for the native drivers of the engine core
// (its unit tests and the fuzzer): the name measured and read, element 0 cleared, the raw
// move of 15 records, element 15 emptied by its type only, then FunctionExec.
#pragma once

#include "script_core.h"

#include <cstring>

inline int32_t HostDoSubroutine(ScriptElement* arguments) {
    char name[1024];
    if (arguments[0].type == SCRIPT_STRING && std::strlen(arguments[0].value.text) >= sizeof name)
        return 0;
    script::DecodeElement(name, SCRIPT_STRING, &arguments[0]);
    script::ClearElement(&arguments[0]);
    std::memmove(arguments, arguments + 1, 15 * sizeof(ScriptElement));
    arguments[15].type = SCRIPT_EMPTY;
    script::DefragElement();
    return script::FunctionExec(name);
}
