// The entry points: scripts, lines, function calls, elements and errors. Every entry
// point catches what the stages throw, so nothing escapes to the host; an error is
// kept for GetErrorState and written to standard error.
#include "elements.h"
#include "error.h"
#include "interpreter.h"
#include "lead_byte.h"
#include "parser.h"
#include "script_core.h"
#include "state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace script {

namespace {

LeadByteRule leadByteRule = IsCp932LeadByte;
std::FILE* errorOutput = stderr;

// Keeps and writes an error; it allocates nothing, so it works when memory ran out. A
// message longer than the storage is cut there.
void Report(int32_t code, const char* file, int line, const char* message) noexcept {
    EngineState& e = Engine();
    e.errorCode = code;
    if (line > 0)
        std::snprintf(e.errorMessage, sizeof e.errorMessage, "%s:%d: %s", file, line, message);
    else
        std::snprintf(e.errorMessage, sizeof e.errorMessage, "%s: %s", file, message);
    if (errorOutput != nullptr) {
        std::fprintf(errorOutput, "%s\n", e.errorMessage);
        std::fflush(errorOutput);
    }
}

// Runs body, turning whatever it throws into a reported error and a result of 0 (or
// null). code is the kind of a ScriptError from body.
template <class Result, class Body> Result Guarded(int32_t code, Result failed, Body body) {
    std::string file;
    try {
        file = SelectedScript().fileName;
        return body();
    } catch (const ScriptError& error) {
        Report(code, file.c_str(), error.line, error.message.c_str());
    } catch (const std::exception&) {
        // std::bad_alloc, or a container's length error: storage ran out either way.
        Report(kMemoryError, file.c_str(), 0, "out of memory");
    }
    return failed;
}

[[noreturn]] void Usage(std::string message) {
    throw ScriptError{-1, std::move(message)};
}

// A usage mistake has no line: ScriptError's line -1 marks it, reported as kUsageError.
template <class Result, class Body> Result GuardedUsage(int32_t code, Result failed, Body body) {
    return Guarded(code, failed, [&]() -> Result {
        try {
            return body();
        } catch (const ScriptError& error) {
            if (error.line != -1)
                throw;
            Report(kUsageError, SelectedScript().fileName.c_str(), 0, error.message.c_str());
            return failed;
        }
    });
}

void EmptyScript(ScriptState& s) {
    s.program.reset();
    s.globals.clear();
    s.nextLine = 0;
    ReleaseElement(&s.view);
}

// A host call starts its step budget; a call the host makes from inside a UserFunction
// (DoSubroutine) spends the budget of the call it is part of.
void BeginRun() {
    EngineState& e = Engine();
    if (e.callDepth == 0 && e.userLevel == 0)
        e.steps = 0;
}

int32_t Read(std::string fileName, std::string_view source) {
    ScriptState& s = SelectedScript();
    EmptyScript(s);
    s.fileName = std::move(fileName);
    if (source.size() > kMaxSourceBytes) {
        Report(
            kFileError, s.fileName.c_str(), 0,
            ("script too large (more than " + std::to_string(kMaxSourceBytes) + " bytes)").c_str());
        return 0;
    }
    try {
        s.program = std::make_shared<const Program>(ParseProgram(source));
    } catch (const ScriptError& error) {
        Report(kSyntaxError, s.fileName.c_str(), error.line,
               ("syntax error: " + error.message).c_str());
        return 0;
    }
    return 1;
}

ScriptState* FindScript(int32_t handle) {
    for (auto& s : Engine().scripts)
        if (s->handle == handle)
            return s.get();
    return nullptr;
}

int32_t NewScript() {
    EngineState& e = Engine();
    SelectedScript(); // the first script exists before any other
    if (e.scripts.size() >= kMaxScripts)
        Usage("too many scripts (more than " + std::to_string(kMaxScripts) + ")");
    auto s = std::make_shared<ScriptState>();
    s->handle = e.nextHandle++;
    e.scripts.push_back(s);
    e.selected = std::move(s);
    return e.selected->handle;
}

} // namespace

bool IsLeadByteNow(unsigned char byte) {
    return leadByteRule != nullptr && leadByteRule(byte);
}

void SetLeadByteRule(LeadByteRule rule) {
    leadByteRule = rule;
}

bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

#ifdef TESSAVEL_TEST_HOOKS
void SetErrorOutput(std::FILE* stream) {
    errorOutput = stream;
}

void SetStepLimit(uint64_t steps) {
    Engine().stepLimit = steps;
}
#endif

EngineState& Engine() {
    static EngineState state;
    return state;
}

ScriptState& SelectedScript() {
    EngineState& e = Engine();
    if (!e.selected) {
        if (e.scripts.empty()) {
            auto first = std::make_shared<ScriptState>();
            first->handle = e.nextHandle++;
            e.scripts.push_back(first);
        }
        e.selected = e.scripts.front();
    }
    return *e.selected;
}

ScriptElement* LevelElements(int level) {
    EngineState& e = Engine();
    const std::size_t index = static_cast<std::size_t>(level);
    while (e.levels.size() <= index)
        e.levels.push_back(std::make_unique<ArgumentLevel>());
    if (e.results.size() <= index)
        e.results.resize(index + 1);
    return e.levels[index]->elements;
}

#ifdef TESSAVEL_TEST_HOOKS
void ResetEngine() {
    EngineState& e = Engine();
    for (auto& s : e.scripts)
        EmptyScript(*s);
    for (auto& level : e.levels)
        for (ScriptElement& element : level->elements)
            ReleaseElement(&element);
    ReleaseAllElementTexts();
    e = EngineState{};
}

LiveState CountLiveState() {
    const EngineState& e = Engine();
    return {e.scripts.size(), CountElementTexts(), e.levels.size(), e.userFunctions.size()};
}
#endif

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
    return GuardedUsage(kUsageError, 0, [] { return NewScript(); });
}

int32_t CreateScriptFromMemory(const char* source, int32_t length) {
    return GuardedUsage(kFileError, 0, [&] {
        if (length < 0 || (source == nullptr && length > 0))
            Usage("CreateScriptFromMemory: no source");
        const int32_t handle = NewScript();
        const std::string_view text(source != nullptr ? source : "",
                                    static_cast<std::size_t>(length));
        return Read("(memory)", text) != 0 ? handle : 0;
    });
}

int32_t SelectScript(int32_t handle) {
    return GuardedUsage(kUsageError, 0, [&] {
        ScriptState* s = FindScript(handle);
        if (s == nullptr)
            Usage("SelectScript: no script has handle " + std::to_string(handle));
        for (auto& candidate : Engine().scripts)
            if (candidate.get() == s)
                Engine().selected = candidate;
        return 1;
    });
}

int32_t ReleaseScript(int32_t handle) {
    return GuardedUsage(kUsageError, 0, [&] {
        EngineState& e = Engine();
        SelectedScript();
        ScriptState* s = FindScript(handle);
        if (s == nullptr)
            Usage("ReleaseScript: no script has handle " + std::to_string(handle));
        if (s == e.scripts.front().get()) {
            EmptyScript(*s); // the first script stays, empty
        } else {
            // A running script stays alive until its run ends: the run holds it.
            EmptyScript(*s);
            e.scripts.erase(std::find_if(e.scripts.begin(), e.scripts.end(),
                                         [&](const auto& p) { return p.get() == s; }));
        }
        if (FindScript(e.selected->handle) == nullptr)
            e.selected = e.scripts.front();
        return 1;
    });
}

int32_t ReadScriptFile(const char* path) {
    return GuardedUsage(kFileError, 0, [&]() -> int32_t {
        if (path == nullptr)
            Usage("ReadScriptFile: no path");
        auto cannotRead = [&] {
            EmptyScript(SelectedScript());
            SelectedScript().fileName = path;
            Report(kFileError, path, 0, "cannot read the script file");
            return 0;
        };
        std::FILE* file = std::fopen(path, "rb");
        if (file == nullptr)
            return cannotRead();
        std::string source;
        char buffer[4096];
        std::size_t got = 0;
        bool failed = false;
        try {
            while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
                source.append(buffer, got);
                if (source.size() > kMaxSourceBytes)
                    break;
            }
            failed = std::ferror(file) != 0;
        } catch (...) {
            std::fclose(file);
            throw;
        }
        std::fclose(file);
        if (failed)
            return cannotRead();
        return Read(path, source);
    });
}

int32_t ReadScriptFileFromMemory(const char* source, int32_t length) {
    return GuardedUsage(kFileError, 0, [&] {
        if (length < 0 || (source == nullptr && length > 0))
            Usage("ReadScriptFileFromMemory: no source");
        const std::string_view text(source != nullptr ? source : "",
                                    static_cast<std::size_t>(length));
        return Read("(memory)", text);
    });
}

int32_t DestroyBuffer() {
    return Guarded(kUsageError, 0, [] {
        EmptyScript(SelectedScript());
        return 1;
    });
}

ScriptElement* GetElement(const char* name) {
    return Guarded(kRuntimeError, static_cast<ScriptElement*>(nullptr), [&]() -> ScriptElement* {
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
    return Guarded(kRuntimeError, static_cast<ScriptElement*>(nullptr),
                   [] { return LevelElements(Engine().userLevel); });
}

int32_t SetUserFunction(const char* name, UserFunction function) {
    return GuardedUsage(kUsageError, 0, [&] {
        if (name == nullptr || *name == '\0')
            Usage("SetUserFunction: no name");
        if (function == nullptr)
            Engine().userFunctions.erase(name);
        else
            Engine().userFunctions[name] = function;
        return 1;
    });
}

namespace {
bool LineIsReady() {
    const ScriptState& s = SelectedScript();
    return s.program && s.nextLine < s.program->lines.size();
}
} // namespace

int32_t GetNextLine() {
    return Guarded(kUsageError, 0, [] { return LineIsReady() ? 1 : 0; });
}

int32_t SkipLine() {
    return Guarded(kUsageError, 0, [] {
        if (!LineIsReady())
            return 0;
        ++SelectedScript().nextLine;
        return 1;
    });
}

int32_t LineExec() {
    return GuardedUsage(kRuntimeError, 0, [] {
        if (!LineIsReady())
            Usage("LineExec: no line is ready");
        // The run holds the script and its program, whatever a UserFunction does to them.
        const std::shared_ptr<ScriptState> s = Engine().selected;
        const std::shared_ptr<const Program> program = s->program;
        const Stmt& line = program->lines[s->nextLine++];
        BeginRun();
        RunLine(*s, program, line);
        return 1;
    });
}

int32_t FunctionExec(const char* name) {
    return GuardedUsage(kRuntimeError, 0, [&] {
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
            Usage(std::string("FunctionExec: no function named ") + (name ? name : "(null)"));
        BeginRun();
        CallFunction(*s, program, *function, arguments, 0);
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
    return GuardedUsage(kUsageError, 0, [&] {
        if (destination == nullptr || element == nullptr)
            Usage("DecodeElement: no destination or element");
        const int32_t held = element->type;
        switch (type) {
        case SCRIPT_INTEGER: {
            int32_t v = 0;
            if (held == SCRIPT_INTEGER)
                v = element->value.integer;
            else if (held == SCRIPT_FLOAT)
                v = ClampToInt32(element->value.real);
            else if (held == SCRIPT_STRING && element->value.text != nullptr)
                v = ClampToInt32(ParseNumberText(element->value.text));
            std::memcpy(destination, &v, sizeof v);
            return 1;
        }
        case SCRIPT_FLOAT: {
            float v = 0.0f;
            if (held == SCRIPT_INTEGER)
                v = static_cast<float>(element->value.integer);
            else if (held == SCRIPT_FLOAT)
                v = element->value.real;
            else if (held == SCRIPT_STRING && element->value.text != nullptr)
                v = static_cast<float>(ParseNumberText(element->value.text));
            std::memcpy(destination, &v, sizeof v);
            return 1;
        }
        case SCRIPT_STRING: {
            char* out = static_cast<char*>(destination);
            if (held == SCRIPT_STRING) {
                const char* text = element->value.text != nullptr ? element->value.text : "";
                std::memmove(out, text, std::strlen(text) + 1);
                return 1;
            }
            Value v;
            if (held == SCRIPT_INTEGER)
                v = MakeInteger(element->value.integer);
            else if (held == SCRIPT_FLOAT)
                v = MakeFloat(element->value.real);
            const std::string text = ValueText(v); // at most 31 bytes
            std::memcpy(out, text.c_str(), text.size() + 1);
            return 1;
        }
        default:
            Usage("DecodeElement: unknown type " + std::to_string(type));
        }
    });
}

namespace {
Value SourceValue(const void* source, int32_t type) {
    switch (type) {
    case SCRIPT_EMPTY:
        return Value{};
    case SCRIPT_INTEGER: {
        if (source == nullptr)
            Usage("no value to store");
        int32_t v = 0;
        std::memcpy(&v, source, sizeof v);
        return MakeInteger(v);
    }
    case SCRIPT_FLOAT: {
        if (source == nullptr)
            Usage("no value to store");
        float v = 0.0f;
        std::memcpy(&v, source, sizeof v);
        return MakeFloat(v);
    }
    case SCRIPT_STRING: {
        const char* text = source != nullptr ? static_cast<const char*>(source) : "";
        const std::size_t length = std::strlen(text);
        if (length > kMaxTextBytes)
            Usage("text too long (more than " + std::to_string(kMaxTextBytes) + " bytes)");
        return MakeText(std::string(text, length));
    }
    default:
        Usage("unknown element type " + std::to_string(type));
    }
}
} // namespace

int32_t EncodeElement(ScriptElement* element, const void* source, int32_t type) {
    return GuardedUsage(kUsageError, 0, [&] {
        if (element == nullptr)
            Usage("EncodeElement: no element");
        // Read the source first: it may be the element's own text.
        Value v;
        try {
            v = SourceValue(source, type);
        } catch (...) {
            ReleaseElement(element);
            throw;
        }
        StoreValue(element, v);
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
    return GuardedUsage(kUsageError, 0, [&] {
        EngineState& e = Engine();
        if (e.userLevel == 0)
            Usage("ReturnElement outside a UserFunction");
        Value v = SourceValue(value, type);
        e.results[static_cast<std::size_t>(e.userLevel)] = std::move(v);
        return 1;
    });
}

} // namespace script
