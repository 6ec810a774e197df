// Errors: the one that ends reading, running or an entry point, and how it is reported.
#pragma once

#include "script_core.h"
#include <string>

namespace script {

// What went wrong (GetErrorState's code), where (0: no line) and the message.
struct ScriptError {
    ErrorCode code = kRuntimeError;
    int line = 0;
    std::string message;
};

[[noreturn]] inline void Fail(int line, std::string message) {
    throw ScriptError{kRuntimeError, line, std::move(message)};
}
[[noreturn]] inline void FailSyntax(int line, const std::string& message) {
    throw ScriptError{kSyntaxError, line, "syntax error: " + message};
}
// An entry point called with something it can't use; no line belongs to it.
[[noreturn]] inline void FailUsage(std::string message) {
    throw ScriptError{kUsageError, 0, std::move(message)};
}

// The message of the text length limit, wherever a text is checked against it.
std::string TextTooLong();

// Keeps an error for GetErrorState and writes it to the error output as
// "file:line: message" ("file: message" without a line). It allocates nothing, so it works
// when memory ran out; a message longer than the storage is cut there.
void Report(ErrorCode code, const char* file, int line, const char* message) noexcept;

} // namespace script
