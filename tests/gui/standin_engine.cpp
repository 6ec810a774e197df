// TEMPORARY stand-in for script.dll until the engine lands: understands only
// "function Info() { ReturnInfo("name", "author", a, b, c, d) }".
#include "script_api.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#define EXPORT extern "C" __declspec(dllexport)

namespace {
std::string g_text;
UserFunction g_returnInfo = nullptr;
ScriptElement g_stack[SCRIPT_ARGUMENT_COUNT];
std::string g_strings[6];
} // namespace

EXPORT int32_t SCRIPTAPI ResetErrorState() { return 1; }
EXPORT int32_t SCRIPTAPI GetErrorState(char*, int32_t) { return 0; }
EXPORT int32_t SCRIPTAPI CreateScript() { return 1; }
EXPORT int32_t SCRIPTAPI CreateScriptFromMemory(const char*, int32_t) { return 0; }
EXPORT int32_t SCRIPTAPI SelectScript(int32_t) { return 1; }
EXPORT int32_t SCRIPTAPI ReleaseScript(int32_t) { return 1; }
EXPORT int32_t SCRIPTAPI ReadScriptFile(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return 0;
    g_text.clear();
    char b[4096];
    size_t n;
    while ((n = std::fread(b, 1, sizeof b, f)) > 0)
        g_text.append(b, n);
    std::fclose(f);
    return 1;
}
EXPORT int32_t SCRIPTAPI ReadScriptFileFromMemory(const char*, int32_t) { return 0; }
EXPORT int32_t SCRIPTAPI DestroyBuffer() { return 1; }
EXPORT ScriptElement* SCRIPTAPI GetElement(const char*) { return nullptr; }
EXPORT ScriptElement* SCRIPTAPI GetStackElement() { return g_stack; }
EXPORT int32_t SCRIPTAPI SetUserFunction(const char* name, UserFunction f) {
    if (std::strcmp(name, "ReturnInfo") == 0)
        g_returnInfo = f;
    return 1;
}
EXPORT int32_t SCRIPTAPI GetNextLine() { return 0; }
EXPORT int32_t SCRIPTAPI SkipLine() { return 0; }
EXPORT int32_t SCRIPTAPI LineExec() { return 0; }
EXPORT int32_t SCRIPTAPI FunctionExec(const char* name) {
    const std::string head = std::string("function ") + name + "(";
    const size_t at = g_text.find(head);
    if (at == std::string::npos)
        return 0;
    const size_t end = g_text.find('}', at);
    const size_t call = g_text.find("ReturnInfo(", at);
    if (call == std::string::npos || call > end || g_returnInfo == nullptr)
        return 1;
    ScriptElement args[SCRIPT_ARGUMENT_COUNT] = {};
    const char* p = g_text.c_str() + call + 11;
    for (int i = 0; i < 6; ++i) {
        while (*p == ' ' || *p == ',')
            ++p;
        if (*p == '"') {
            const char* q = std::strchr(p + 1, '"');
            g_strings[i] = std::string(p + 1, q);
            args[i].type = SCRIPT_STRING;
            args[i].value.text = g_strings[i].c_str();
            p = q + 1;
        } else {
            char* e;
            args[i].type = SCRIPT_INTEGER;
            args[i].value.integer = static_cast<int32_t>(std::strtol(p, &e, 10));
            p = e;
        }
    }
    g_returnInfo(args);
    return 1;
}
EXPORT int32_t SCRIPTAPI DefragElement() { return 1; }
EXPORT int32_t SCRIPTAPI DecodeElement(void* d, int32_t type, ScriptElement* e) {
    if (type == SCRIPT_INTEGER)
        *static_cast<int32_t*>(d) = e->value.integer;
    else
        std::strcpy(static_cast<char*>(d), e->value.text);
    return 1;
}
EXPORT int32_t SCRIPTAPI EncodeElement(ScriptElement*, const void*, int32_t) { return 1; }
EXPORT int32_t SCRIPTAPI ClearElement(ScriptElement*) { return 1; }
EXPORT int32_t SCRIPTAPI ReturnElement(const void*, int32_t) { return 1; }
