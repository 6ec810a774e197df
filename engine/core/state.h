// The engine's process-wide state: scripts, UserFunctions, argument elements, the step
// budget, the last error, and the lead-byte rule of the ANSI code page.
#pragma once

#include "ast.h"
#include "script_core.h"
#include "value.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace script {

using Variables = std::unordered_map<std::string, Value>;

struct ScriptState {
    int32_t handle = 0;
    std::string fileName = "(no script)";
    std::shared_ptr<const Program> program; // null until read
    Variables globals;
    std::size_t nextLine = 0;
    ScriptElement view{}; // GetElement's copy of a global
};

// The 16 argument elements of one level.
struct ArgumentLevel {
    ScriptElement elements[SCRIPT_ARGUMENT_COUNT]{};
};

struct EngineState {
    std::vector<std::shared_ptr<ScriptState>> scripts; // the first is never removed
    std::shared_ptr<ScriptState> selected;
    int32_t nextHandle = 1;
    std::unordered_map<std::string, UserFunction> userFunctions;
    // Level 0 belongs to the host; level n to the n-th nested UserFunction call.
    std::vector<std::unique_ptr<ArgumentLevel>> levels;
    std::vector<Value> results; // ReturnElement's value for each level
    int userLevel = 0;
    int callDepth = 0;
    int evalDepth = 0;
    uint64_t steps = 0; // of the running host call
    uint64_t stepLimit = kMaxSteps;
    int32_t errorCode = kNoError;
    // Fixed storage: reporting "out of memory" must not need memory.
    char errorMessage[1024] = {};
};

EngineState& Engine();

// The selected script; a freshly loaded engine has one.
ScriptState& SelectedScript();
// The script of that handle, or null.
ScriptState* FindScript(int32_t handle);
// A new empty script, selected. Fails (a usage error) when kMaxScripts are alive.
int32_t AddScript();
// Empties a script; any but the first is then removed. The selection falls back to the
// first script when it was this one. A run in progress holds its script until it ends.
void RemoveScript(ScriptState& script);
// Forgets a script's program, globals and GetElement copy.
void EmptyScript(ScriptState& script);

// The argument elements of a level, made on first use.
ScriptElement* LevelElements(int level);

// A host call starts its step budget; a call the host makes from inside a UserFunction
// (DoSubroutine) spends the budget of the call it is part of.
void BeginHostCall();

// The lead-byte rule the engine was given (SetLeadByteRule).
bool IsLeadByteNow(unsigned char byte);

} // namespace script
