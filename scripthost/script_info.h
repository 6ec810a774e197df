// A script's description, as its Info function reports it through ReturnInfo.
#pragma once

#include <cstdint>

struct ScriptInfoRecord {
    char name[1024];
    char author[1024];
    uint32_t version[4];
};

extern ScriptInfoRecord ScriptInfo;

// Binds an engine of its own, runs the script's top-level lines, calls Info. 1 when the
// engine was loaded, the script read and Info ran; 0 otherwise.
int ReadScriptInfo(const char* scriptPath);
