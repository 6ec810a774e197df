#include "state.h"

#include "elements.h"
#include "error.h"

#include <algorithm>

namespace script {

namespace {
LeadByteRule leadByteRule = IsCp932LeadByte;
}

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

ScriptState* FindScript(int32_t handle) {
    for (auto& s : Engine().scripts)
        if (s->handle == handle)
            return s.get();
    return nullptr;
}

int32_t AddScript() {
    EngineState& e = Engine();
    SelectedScript(); // the first script exists before any other
    if (e.scripts.size() >= kMaxScripts)
        FailUsage("too many scripts (more than " + std::to_string(kMaxScripts) + ")");
    auto s = std::make_shared<ScriptState>();
    s->handle = e.nextHandle++;
    e.scripts.push_back(s);
    e.selected = std::move(s);
    return e.selected->handle;
}

void RemoveScript(ScriptState& script) {
    EngineState& e = Engine();
    EmptyScript(script);
    if (&script != e.scripts.front().get())
        e.scripts.erase(std::find_if(e.scripts.begin(), e.scripts.end(),
                                     [&](const auto& p) { return p.get() == &script; }));
    if (FindScript(e.selected->handle) == nullptr)
        e.selected = e.scripts.front();
}

void EmptyScript(ScriptState& s) {
    s.program.reset();
    s.globals.clear();
    s.nextLine = 0;
    ReleaseElement(&s.view);
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

void BeginHostCall() {
    EngineState& e = Engine();
    if (e.callDepth == 0 && e.userLevel == 0)
        e.steps = 0;
}

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

void SetStepLimit(uint64_t steps) {
    Engine().stepLimit = steps;
}

LiveState CountLiveState() {
    const EngineState& e = Engine();
    return {e.scripts.size(), CountElementTexts(), e.levels.size(), e.userFunctions.size()};
}
#endif

} // namespace script
