// The chunks of a PNG before its pixels.
#pragma once

#include "metadata/file_reader.h"

#include <cstdint>

// The first chunk of the kind (4 letters) among a PNG's first 64 chunks before its pixels:
// its data's offset and length. False when there is none, or the chunks stop making sense.
bool FindPngChunk(const FileReader& r, const char* kind, uint64_t* data, uint32_t* length);
