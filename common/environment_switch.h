// A feature an environment variable can turn off, for measuring or for a user who wants
// the old way: on unless the variable is "0".
#pragma once

#include <cstdlib>
#include <cstring>

inline bool SwitchedOnByEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    return value == nullptr || std::strcmp(value, "0") != 0;
}
