// A module with the engine's 21 exports, each answering with its own number, so that a
// test can see which export an entry of the binding reaches.
#include "script_api.h"

#define EXPORT extern "C" __declspec(dllexport)

EXPORT int32_t SCRIPTAPI ResetErrorState() {
    return 1;
}
EXPORT int32_t SCRIPTAPI GetErrorState(char*, int32_t) {
    return 2;
}
EXPORT int32_t SCRIPTAPI CreateScript() {
    return 3;
}
EXPORT int32_t SCRIPTAPI CreateScriptFromMemory(const char*, int32_t) {
    return 4;
}
EXPORT int32_t SCRIPTAPI SelectScript(int32_t) {
    return 5;
}
EXPORT int32_t SCRIPTAPI ReleaseScript(int32_t) {
    return 6;
}
EXPORT int32_t SCRIPTAPI ReadScriptFile(const char*) {
    return 7;
}
EXPORT int32_t SCRIPTAPI ReadScriptFileFromMemory(const char*, int32_t) {
    return 8;
}
EXPORT int32_t SCRIPTAPI DestroyBuffer() {
    return 9;
}
static ScriptElement g_element;
EXPORT ScriptElement* SCRIPTAPI GetElement(const char*) {
    return &g_element;
}
static ScriptElement g_stack[SCRIPT_ARGUMENT_COUNT];
EXPORT ScriptElement* SCRIPTAPI GetStackElement() {
    return g_stack;
}
EXPORT int32_t SCRIPTAPI SetUserFunction(const char*, UserFunction) {
    return 12;
}
EXPORT int32_t SCRIPTAPI GetNextLine() {
    return 13;
}
#ifndef WITHOUT_SKIPLINE
EXPORT int32_t SCRIPTAPI SkipLine() {
    return 14;
}
#endif
EXPORT int32_t SCRIPTAPI LineExec() {
    return 15;
}
EXPORT int32_t SCRIPTAPI FunctionExec(const char*) {
    return 16;
}
EXPORT int32_t SCRIPTAPI DefragElement() {
    return 17;
}
EXPORT int32_t SCRIPTAPI DecodeElement(void*, int32_t, ScriptElement*) {
    return 18;
}
EXPORT int32_t SCRIPTAPI EncodeElement(ScriptElement*, const void*, int32_t) {
    return 19;
}
EXPORT int32_t SCRIPTAPI ClearElement(ScriptElement*) {
    return 20;
}
EXPORT int32_t SCRIPTAPI ReturnElement(const void*, int32_t) {
    return 21;
}
