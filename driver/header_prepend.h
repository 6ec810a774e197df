// Placing the bytes of an Exif header file in front of a saved image.
#pragma once

// Replaces the saved file by the header's bytes followed by the saved file's bytes. The new
// content is written to a temporary file beside it first, and the saved file is replaced
// only once every byte is written: on any failure the saved file stays exactly as it was
// and the temporary file is removed. An empty header file leaves the saved file as it is.
// Nonzero on success.
int PrependHeaderFile(const char* savedPath, const char* headerPath);
