// The 21 entry points. Each runs its body through Guarded, so nothing escapes to the
// host: an error is kept for GetErrorState and written to the error output.
#include "element_codec.h"
#include "elements.h"
#include "error.h"
#include "interpreter.h"
#include "load.h"
#include "script_core.h"
#include "state.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace script {

namespace {

// Runs an entry point's body: what it throws is reported (storage running out as
// "out of memory"), naming the script selected when the call began, and the call gives
// failed.
template <class Result, class Body> Result Guarded(Result failed, Body body) noexcept {
    std::string file;
    try {
        file = SelectedScript().fileName;
        return body();
    } catch (const ScriptError& error) {
        Report(error.code, file.c_str(), error.line, error.message.c_str());
    } catch (const std::exception&) {
        // std::bad_alloc, or a container's length error: storage ran out either way.
        Report(kMemoryError, file.c_str(), 0, "out of memory");
    }
    return failed;
}

std::string_view SourceText(const char* source, int32_t length, const char* entry) {
    if (length < 0 || (source == nullptr && length > 0))
        FailUsage(std::string(entry) + ": no source");
    return std::string_view(source != nullptr ? source : "", static_cast<std::size_t>(length));
}

bool LineIsReady() {
    const ScriptState& s = SelectedScript();
    return s.program && s.nextLine < s.program->lines.size();
}

} // namespace

int32_t ResetErrorState() {
    EngineState& e = Engine();
    e.errorCode = kNoError;
    e.errorMessage[0] = '\0';
    return 1;
}

int32_t GetErrorState(char* text, int32_t size) {
    EngineState& e = Engine();
    if (text != nullptr && size > 0) {
        const std::size_t n =
            std::min(std::strlen(e.errorMessage), static_cast<std::size_t>(size) - 1);
        std::memcpy(text, e.errorMessage, n);
        text[n] = '\0';
    }
    return e.errorCode;
}

int32_t CreateScript() {
    return Guarded(0, [] { return AddScript(); });
}

int32_t CreateScriptFromMemory(const char* source, int32_t length) {
    return Guarded(0, [&] {
        const std::string_view text = SourceText(source, length, "CreateScriptFromMemory");
        const int32_t handle = AddScript();
        return LoadSource("(memory)", text) != 0 ? handle : 0;
    });
}

int32_t SelectScript(int32_t handle) {
    return Guarded(0, [&] {
        ScriptState* s = FindScript(handle);
        if (s == nullptr)
            FailUsage("SelectScript: no script has handle " + std::to_string(handle));
        for (auto& candidate : Engine().scripts)
            if (candidate.get() == s)
                Engine().selected = candidate;
        return 1;
    });
}

int32_t ReleaseScript(int32_t handle) {
    return Guarded(0, [&] {
        ScriptState* s = FindScript(handle);
        if (s == nullptr)
            FailUsage("ReleaseScript: no script has handle " + std::to_string(handle));
        RemoveScript(*s);
        return 1;
    });
}

int32_t ReadScriptFile(const char* path) {
    return Guarded(0, [&] {
        if (path == nullptr)
            FailUsage("ReadScriptFile: no path");
        return LoadFile(path);
    });
}

int32_t ReadScriptFileFromMemory(const char* source, int32_t length) {
    return Guarded(0, [&] {
        return LoadSource("(memory)", SourceText(source, length, "ReadScriptFileFromMemory"));
    });
}

int32_t DestroyBuffer() {
    return Guarded(0, [] {
        EmptyScript(SelectedScript());
        return 1;
    });
}

ScriptElement* GetElement(const char* name) {
    return Guarded(static_cast<ScriptElement*>(nullptr), [&]() -> ScriptElement* {
        ScriptState& s = SelectedScript();
        if (name == nullptr)
            return nullptr;
        auto found = s.globals.find(name);
        if (found == s.globals.end())
            return nullptr;
        StoreValue(&s.view, found->second);
        return &s.view;
    });
}

ScriptElement* GetStackElement() {
    return Guarded(static_cast<ScriptElement*>(nullptr),
                   [] { return LevelElements(Engine().userLevel); });
}

int32_t SetUserFunction(const char* name, UserFunction function) {
    return Guarded(0, [&] {
        if (name == nullptr || *name == '\0')
            FailUsage("SetUserFunction: no name");
        if (function == nullptr)
            Engine().userFunctions.erase(name);
        else
            Engine().userFunctions[name] = function;
        return 1;
    });
}

int32_t GetNextLine() {
    return Guarded(0, [] { return LineIsReady() ? 1 : 0; });
}

int32_t SkipLine() {
    return Guarded(0, [] {
        if (!LineIsReady())
            return 0;
        ++SelectedScript().nextLine;
        return 1;
    });
}

int32_t LineExec() {
    return Guarded(0, [] {
        if (!LineIsReady())
            FailUsage("LineExec: no line is ready");
        // The run holds the script and its program, whatever a UserFunction does to them.
        const std::shared_ptr<ScriptState> s = Engine().selected;
        const std::shared_ptr<const Program> program = s->program;
        const Stmt& line = program->lines[s->nextLine++];
        BeginHostCall();
        RunLine(*s, *program, line);
        return 1;
    });
}

int32_t FunctionExec(const char* name) {
    return Guarded(0, [&] {
        EngineState& e = Engine();
        ScriptElement* elements = LevelElements(e.userLevel);
        const std::shared_ptr<ScriptState> s = (SelectedScript(), e.selected);
        const std::shared_ptr<const Program> program = s->program;
        std::vector<Value> arguments;
        const Function* function = nullptr;
        if (name != nullptr && program) {
            auto found = program->functions.find(name);
            if (found != program->functions.end())
                function = found->second.get();
        }
        if (function != nullptr) {
            for (std::size_t i = 0; i < function->parameters.size(); ++i)
                arguments.push_back(LoadValue(&elements[i]));
        }
        for (int i = 0; i < SCRIPT_ARGUMENT_COUNT; ++i)
            ReleaseElement(&elements[i]);
        if (function == nullptr)
            FailUsage(std::string("FunctionExec: no function named ") + (name ? name : "(null)"));
        BeginHostCall();
        CallFunction(*s, *program, *function, arguments, 0);
        return 1;
    });
}

int32_t DefragElement() {
    // The argument elements for the next call are brought into shape: a record whose
    // type is no ElementType (left by a raw move or never written) becomes empty.
    ScriptElement* elements = GetStackElement();
    if (elements == nullptr)
        return 0;
    for (int i = 0; i < SCRIPT_ARGUMENT_COUNT; ++i) {
        if (elements[i].type < SCRIPT_EMPTY || elements[i].type > SCRIPT_STRING)
            std::memset(static_cast<void*>(&elements[i]), 0, sizeof elements[i]);
    }
    return 1;
}

int32_t DecodeElement(void* destination, int32_t type, ScriptElement* element) {
    return Guarded(0, [&] {
        if (destination == nullptr || element == nullptr)
            FailUsage("DecodeElement: no destination or element");
        DecodeTo(destination, type, *element);
        return 1;
    });
}

int32_t EncodeElement(ScriptElement* element, const void* source, int32_t type) {
    return Guarded(0, [&] {
        if (element == nullptr)
            FailUsage("EncodeElement: no element");
        // Read the source first: it may be the element's own text.
        Value v;
        try {
            v = ValueFromHost(source, type);
        } catch (...) {
            ReleaseElement(element);
            throw;
        }
        try {
            StoreValue(element, v);
        } catch (ScriptError& error) {
            error.code = kUsageError; // the host holds too many texts
            throw;
        }
        return 1;
    });
}

int32_t ClearElement(ScriptElement* element) {
    if (element == nullptr)
        return 0;
    ReleaseElement(element);
    return 1;
}

int32_t ReturnElement(const void* value, int32_t type) {
    return Guarded(0, [&] {
        EngineState& e = Engine();
        if (e.userLevel == 0)
            FailUsage("ReturnElement outside a UserFunction");
        Value v = ValueFromHost(value, type);
        e.results[static_cast<std::size_t>(e.userLevel)] = std::move(v);
        return 1;
    });
}

} // namespace script
