// The ICC profile of a PNG (its iCCP chunk, inflated with zlib) or a TIFF (its first
// directory's tag 34675), the files GDI+ decodes, read for SetConvertToSrgb. Portable: no
// Windows header, reads through a FileReader; every length is checked
// against the bytes there are and the room given.
#pragma once

#include "metadata/file_reader.h"
#include "metadata/metadata_block.h"

#include <cstddef>

// The profile into profile, which is allocated to its size: true when there is one. False
// when the file is neither a PNG nor a TIFF or holds no profile, and also when the profile is
// damaged or larger than capacity, which sets *reason.
bool ReadEmbeddedProfile(const FileReader& file, size_t capacity, MetadataBlock* profile,
                         const char** reason);
