// The error that ends reading or running: its line (0: none) and its message.
#pragma once

#include <string>

namespace script {

struct ScriptError {
    int line = 0;
    std::string message;
};

[[noreturn]] inline void Fail(int line, std::string message) {
    throw ScriptError{line, std::move(message)};
}

} // namespace script
