// script_core.h - the portable script engine: the one header its users include.
//
// The engine reads a script (source -> tokens -> tree), runs its top-level lines and its
// functions with a tree-walking interpreter, and exchanges values with its host through
// ScriptElements. Every entry point of script.dll has its twin here, with the same
// meaning (see script_api.h); the Windows layer only exports them.
#pragma once

#include "script_api.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace script {

// Limits. Reaching one is an error (a syntax error while reading, a runtime error while
// running, a failing entry point otherwise); none is ever exceeded silently.
inline constexpr std::size_t kMaxSourceBytes = 1 << 20;     // a script's source
inline constexpr std::size_t kMaxTextBytes = 1 << 20;       // one text value
inline constexpr int kMaxArguments = SCRIPT_ARGUMENT_COUNT; // arguments of one call
inline constexpr int kMaxCallDepth = 200;                   // nested calls, UserFunctions included
inline constexpr int kMaxEvalDepth = 2500;           // nested evaluation steps, all calls together
inline constexpr int kMaxExpressionDepth = 200;      // nesting of one expression's tree
inline constexpr int kMaxBlockDepth = 32;            // nested { } blocks
inline constexpr std::size_t kMaxVariables = 100000; // variables of one scope
inline constexpr std::size_t kMaxScripts = 256;      // scripts alive at once
inline constexpr std::size_t kMaxElementTexts = 1 << 20; // texts held by elements at once
// Steps (expressions evaluated, statements run, for-loop rounds) of one host call: a
// top-level line or a function the host calls, every call it makes included. Scripts have
// no pixel access: the bundled ones take about a hundred steps an image, and 100 million
// take about 5 s (some 20 million steps a second under Wine), so only an endless loop
// reaches it. Counted in steps, not time, the result never depends on the machine.
inline constexpr uint64_t kMaxSteps = 100000000;

// Error codes of GetErrorState.
enum ErrorCode : int32_t {
    kNoError = 0,
    kFileError = 1,    // the script file can't be read or is too large
    kSyntaxError = 2,  // the source is not a valid script
    kRuntimeError = 3, // a line or function ended with an error
    kMemoryError = 4,  // storage ran out
    kUsageError = 5    // an entry point was called with something it can't use
};

// The rule that tells the first byte of a double-byte character of the ANSI code page.
// Natively it is code page 932's; on Windows the layer gives IsDBCSLeadByte.
using LeadByteRule = bool (*)(unsigned char byte);
void SetLeadByteRule(LeadByteRule rule);
bool IsCp932LeadByte(unsigned char byte);

// The entry points.
int32_t ResetErrorState();
int32_t GetErrorState(char* text, int32_t size);
int32_t CreateScript();
int32_t CreateScriptFromMemory(const char* source, int32_t length);
int32_t SelectScript(int32_t handle);
int32_t ReleaseScript(int32_t handle);
int32_t ReadScriptFile(const char* path);
int32_t ReadScriptFileFromMemory(const char* source, int32_t length);
int32_t DestroyBuffer();
ScriptElement* GetElement(const char* name);
ScriptElement* GetStackElement();
int32_t SetUserFunction(const char* name, UserFunction function);
int32_t GetNextLine();
int32_t SkipLine();
int32_t LineExec();
int32_t FunctionExec(const char* name);
int32_t DefragElement();
int32_t DecodeElement(void* destination, int32_t type, ScriptElement* element);
int32_t EncodeElement(ScriptElement* element, const void* source, int32_t type);
int32_t ClearElement(ScriptElement* element);
int32_t ReturnElement(const void* value, int32_t type);
int32_t SetErrorHandler(ErrorHandler handler);

#ifdef TESSAVEL_TEST_HOOKS
// For the engine's own tests and fuzz targets only; script.dll has none of these.

// Releases every script, element text and registered UserFunction: a fresh engine.
void ResetEngine();

// The step budget of each host call until the next ResetEngine (kMaxSteps by default), so
// a test need not run 100 million steps to reach it.
void SetStepLimit(uint64_t steps);

// Where error messages are written besides being kept for GetErrorState: standard
// error by default; null writes them nowhere (the fuzz target's choice).
void SetErrorOutput(std::FILE* stream);

// What the engine holds between calls: a host that releases what it made leaves these
// where they were.
struct LiveState {
    std::size_t scripts = 0;        // the first script included
    std::size_t elementTexts = 0;   // texts held by ScriptElements
    std::size_t argumentLevels = 0; // made on first use, one per UserFunction nesting level
    std::size_t userFunctions = 0;
    bool operator==(const LiveState&) const = default;
};
LiveState CountLiveState();
#endif

} // namespace script
