// libFuzzer target: any bytes as a script, read, run line by line, and its functions
// Main and Info called, with UserFunctions that echo, fail and re-enter the engine the way
// the host's do. Nothing may crash, leak past a run, or hang (a low step budget ends loops
// quickly).
#include "script_core.h"
#include "support/host_do_subroutine.h"

#include <cstring>

namespace {

int32_t Echo(ScriptElement* arguments) {
    return script::ReturnElement(arguments[0].type == SCRIPT_STRING
                                     ? static_cast<const void*>(arguments[0].value.text)
                                     : &arguments[0].value,
                                 arguments[0].type);
}

int32_t Refuse(ScriptElement*) {
    return 0;
}

void CallMain() {
    ScriptElement* arguments = script::GetStackElement();
    const int32_t width = 640, height = 480, index = 3;
    script::EncodeElement(&arguments[0], &width, SCRIPT_INTEGER);
    script::EncodeElement(&arguments[1], &height, SCRIPT_INTEGER);
    script::EncodeElement(&arguments[2], "\x95\x5C.jpg", SCRIPT_STRING);
    script::EncodeElement(&arguments[3], &index, SCRIPT_INTEGER);
    script::DefragElement();
    script::FunctionExec("Main");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    script::ResetEngine();
    script::SetErrorOutput(nullptr);
    script::SetStepLimit(20000);
    script::SetUserFunction("Echo", Echo);
    script::SetUserFunction("Refuse", Refuse);
    script::SetUserFunction("DoSubroutine", HostDoSubroutine);
    if (size > script::kMaxSourceBytes)
        return 0;
    if (script::ReadScriptFileFromMemory(reinterpret_cast<const char*>(data),
                                         static_cast<int32_t>(size)) == 0)
        return 0;
    while (script::GetNextLine() != 0)
        script::LineExec();
    CallMain();
    CallMain();
    script::DefragElement();
    script::FunctionExec("Info");
    ScriptElement* global = script::GetElement("count");
    if (global != nullptr) {
        char text[64];
        if (global->type != SCRIPT_STRING)
            script::DecodeElement(text, SCRIPT_STRING, global);
    }
    script::DestroyBuffer();
    return 0;
}
