// The built-in functions: numbers and texts (int, float, round, floor, ceil, min, max, abs,
// len, substr, find, rfind, str, lower, upper, type).
#pragma once

#include "value.h"

#include <string>
#include <vector>

namespace script {

// The built-in function of that name and its result, or false when there is none.
// Throws ScriptError for a wrong argument.
bool CallBuiltin(const std::string& name, std::vector<Value>& arguments, int line, Value& result);

} // namespace script
