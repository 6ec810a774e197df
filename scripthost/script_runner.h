// Running a script in the current ScriptEngine and calling its functions.
#pragma once

#include "script_api.h"

#include <cstdint>

// Reads the script, registers the ten user functions and runs the top-level lines.
// 1 when the script was read, 0 when ReadScriptFile failed.
int32_t RunScript(const char* scriptPath);

// Calls the script function with count arguments (only value and type need be set), or
// none when arguments is null. The result of FunctionExec; more arguments than the engine's
// 16 elements are refused (0) before anything is passed.
int32_t CallScriptFunction(const char* name, const ScriptElement* arguments, uint32_t count);
