// Reading a script into the selected script: from a source in memory or from a file. A
// script that can't be read is left empty, and the reason reported.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace script {

// 1 when the source was read; 0 when it is too large (a file error) or has a syntax error.
int32_t LoadSource(std::string fileName, std::string_view source);

// 1 when the file was read; 0 when it can't be read, or as LoadSource.
int32_t LoadFile(const char* path);

} // namespace script
