// Stage 3: running the tree.
//
// Scope: a top-level line reads and writes globals, which live as long as the script.
// Inside a function, parameters are local; assigning a name writes the local of that
// name if there is one, else the global of that name if there is one, else makes a new
// local. Reading a name finds the local first, then the global; neither is an error.
//
// The caller keeps script and program alive while they run.
#pragma once

#include "ast.h"
#include "state.h"

#include <vector>

namespace script {

// Runs one top-level line of script. Throws ScriptError on a runtime error.
void RunLine(ScriptState& script, const Program& program, const Stmt& line);

// Calls a script function with its arguments; line is where the call stands (0 from a
// host). Throws ScriptError on a runtime error.
Value CallFunction(ScriptState& script, const Program& program, const Function& function,
                   std::vector<Value>& arguments, int line);

} // namespace script
