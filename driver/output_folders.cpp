#include "driver/output_folders.h"

#include "common/dbcs_text.h"
#include "common/failure_note.h"
#include "common/paths.h"

#include <windows.h>

#include <cstring>

bool CreateOutputFolders(const char* destinationDirectory, const char* outputName) {
    char path[kPathSize];
    if (!JoinPath(path, sizeof path, destinationDirectory, outputName))
        return true; // the save says the path is too long
    char* name = path + std::strlen(destinationDirectory) + 1;
    // Windows takes a slash for a backslash; a trail byte 0x5C is neither.
    for (char* at = name; *at != '\0'; ++at) {
        if (IsLeadByte(static_cast<unsigned char>(*at)) && at[1] != '\0') {
            ++at;
            continue;
        }
        if (*at != '\\' && *at != '/')
            continue;
        const char separator = *at;
        *at = '\0';
        const bool made = CreateDirectoryA(path, nullptr) != 0;
        const DWORD error = made ? ERROR_SUCCESS : GetLastError();
        const DWORD attributes = made ? FILE_ATTRIBUTE_DIRECTORY : GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            NoteFailure(
                "cannot make the folder %s: %s", name,
                DescribeWindowsError(error == ERROR_SUCCESS ? ERROR_ALREADY_EXISTS : error));
            return false;
        }
        *at = separator;
    }
    return true;
}
