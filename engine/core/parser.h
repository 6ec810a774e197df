// Stage 2: tokens -> tree.
#pragma once

#include "ast.h"

#include <string_view>

namespace script {

// Reads a whole source into a Program. Throws ScriptError on the first mistake.
Program ParseProgram(std::string_view source);

} // namespace script
