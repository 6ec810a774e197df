// script.dll: the engine's entry points, exported under their plain names (script.def),
// and the ANSI code page's lead-byte rule handed to the core.
#include "script_core.h"

#include <windows.h>

namespace {

bool WindowsLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}

// Runs when the module is loaded, before any entry point.
const bool leadByteRuleSet = (script::SetLeadByteRule(WindowsLeadByte), true);

} // namespace

extern "C" {

int32_t SCRIPTAPI ResetErrorState(void) {
    return script::ResetErrorState();
}
int32_t SCRIPTAPI GetErrorState(char* text, int32_t size) {
    return script::GetErrorState(text, size);
}
int32_t SCRIPTAPI CreateScript(void) {
    return script::CreateScript();
}
int32_t SCRIPTAPI CreateScriptFromMemory(const char* source, int32_t length) {
    return script::CreateScriptFromMemory(source, length);
}
int32_t SCRIPTAPI SelectScript(int32_t handle) {
    return script::SelectScript(handle);
}
int32_t SCRIPTAPI ReleaseScript(int32_t handle) {
    return script::ReleaseScript(handle);
}
int32_t SCRIPTAPI ReadScriptFile(const char* path) {
    return script::ReadScriptFile(path);
}
int32_t SCRIPTAPI ReadScriptFileFromMemory(const char* source, int32_t length) {
    return script::ReadScriptFileFromMemory(source, length);
}
int32_t SCRIPTAPI DestroyBuffer(void) {
    return script::DestroyBuffer();
}
ScriptElement* SCRIPTAPI GetElement(const char* name) {
    return script::GetElement(name);
}
ScriptElement* SCRIPTAPI GetStackElement(void) {
    return script::GetStackElement();
}
int32_t SCRIPTAPI SetUserFunction(const char* name, UserFunction function) {
    return script::SetUserFunction(name, function);
}
int32_t SCRIPTAPI GetNextLine(void) {
    return script::GetNextLine();
}
int32_t SCRIPTAPI SkipLine(void) {
    return script::SkipLine();
}
int32_t SCRIPTAPI LineExec(void) {
    return script::LineExec();
}
int32_t SCRIPTAPI FunctionExec(const char* name) {
    return script::FunctionExec(name);
}
int32_t SCRIPTAPI DefragElement(void) {
    return script::DefragElement();
}
int32_t SCRIPTAPI DecodeElement(void* destination, int32_t type, ScriptElement* element) {
    return script::DecodeElement(destination, type, element);
}
int32_t SCRIPTAPI EncodeElement(ScriptElement* element, const void* source, int32_t type) {
    return script::EncodeElement(element, source, type);
}
int32_t SCRIPTAPI ClearElement(ScriptElement* element) {
    return script::ClearElement(element);
}
int32_t SCRIPTAPI ReturnElement(const void* value, int32_t type) {
    return script::ReturnElement(value, type);
}
int32_t SCRIPTAPI SetErrorHandler(ErrorHandler handler) {
    return script::SetErrorHandler(handler);
}

} // extern "C"
