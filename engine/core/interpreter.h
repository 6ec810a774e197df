// Stage 3: running the tree.
//
// Scope: a top-level line reads and writes globals, which live as long as the script.
// Inside a function, parameters are local; assigning a name writes the local of that
// name if there is one, else the global of that name if there is one, else makes a new
// local. Reading a name finds the local first, then the global; neither is an error.
#pragma once

#include "ast.h"
#include "state.h"

#include <memory>
#include <vector>

namespace script {

// Runs one top-level line of script. Throws ScriptError on a runtime error.
void RunLine(ScriptState& script, const std::shared_ptr<const Program>& program, const Stmt& line);

// Calls a script function with its arguments; line is where the call stands (0 from a
// host). Throws ScriptError on a runtime error.
Value CallFunction(ScriptState& script, const std::shared_ptr<const Program>& program,
                   const Function& function, std::vector<Value>& arguments, int line);

// The built-in function of that name and its result, or false when there is none.
// Throws ScriptError for a wrong argument.
bool CallBuiltin(const std::string& name, std::vector<Value>& arguments, int line, Value& result);

// Fails with "text too long" when a text would pass kMaxTextBytes.
void CheckTextLength(std::size_t length, int line);

} // namespace script
