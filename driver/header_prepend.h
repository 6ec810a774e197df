// Adding to a saved image safely: an Exif header file in front of it, or the source JPEG's
// metadata segments into it.
#pragma once

#include "metadata/metadata_block.h"

// Replaces the saved file by the header's bytes followed by the saved file's bytes. The new
// content is written to a temporary file beside it first, and the saved file is replaced
// only once every byte is written: on any failure the saved file stays exactly as it was
// and the temporary file is removed. An empty header file leaves the saved file as it is.
// Nonzero on success.
int PrependHeaderFile(const char* savedPath, const char* headerPath);

// Writes the segments of the source's Exif TIFF data and ICC profile into a saved JPEG right
// after its start-of-image marker, as safely as PrependHeaderFile. A saved file that is no
// JPEG stays as it is. Exif too large for a segment is left out and *exifDropped says so.
int InsertJpegMetadata(const char* savedPath, const MetadataBlock& exif,
                       const MetadataBlock& profile, const char** exifDropped);
