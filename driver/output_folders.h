// The folders of an output name ("2024\trip\a.jpg"), made under the destination when the run
// keeps a folder tree (SetIncludeSubfolders).
#pragma once

// Creates each folder that outputName (already checked by StaysInsideFolder) names before its
// file, in turn, under destinationDirectory; folders that exist are kept. False, with the
// reason noted, when one can be neither found nor made.
bool CreateOutputFolders(const char* destinationDirectory, const char* outputName);
