#include "interpreter.h"

#include "builtins.h"
#include "elements.h"
#include "error.h"

#include <cmath>

namespace script {

namespace {

struct Context {
    EngineState& engine;
    ScriptState& script;
    const Program& program;
    Variables* locals; // null on a top-level line
    Value returned;
};

enum class Flow { Normal, Break, Continue, Return };

// Spends one step of the running host call's budget.
void CountStep(EngineState& e, int line) {
    if (++e.steps > e.stepLimit)
        Fail(line, "execution limit of " + std::to_string(e.stepLimit) + " steps exceeded");
}

// Counts nested evaluation steps; each is a step of the budget too.
struct DepthGuard {
    DepthGuard(EngineState& engine, int line) : e(engine) {
        if (e.evalDepth >= kMaxEvalDepth)
            Fail(line, "recursion too deep (more than " + std::to_string(kMaxEvalDepth) +
                           " nested evaluation steps)");
        CountStep(e, line);
        ++e.evalDepth;
    }
    ~DepthGuard() { --e.evalDepth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
    EngineState& e;
};

struct CallGuard {
    CallGuard(EngineState& engine, int line) : e(engine) {
        if (e.callDepth >= kMaxCallDepth)
            Fail(line, "recursion too deep (more than " + std::to_string(kMaxCallDepth) +
                           " nested calls)");
        ++e.callDepth;
    }
    ~CallGuard() { --e.callDepth; }
    CallGuard(const CallGuard&) = delete;
    CallGuard& operator=(const CallGuard&) = delete;
    EngineState& e;
};

bool IsNumber(const Value& v) {
    return v.type == SCRIPT_INTEGER || v.type == SCRIPT_FLOAT;
}
double AsDouble(const Value& v) {
    return v.type == SCRIPT_FLOAT ? static_cast<double>(v.real) : static_cast<double>(v.integer);
}
float AsFloat(const Value& v) {
    return v.type == SCRIPT_FLOAT ? v.real : static_cast<float>(v.integer);
}

[[noreturn]] void OperandError(Tok op, const Value& a, const Value& b, int line) {
    Fail(line, std::string("cannot use ") + TokenName(op) + " with " + TypeName(a.type) + " and " +
                   TypeName(b.type));
}

Value Compare(Tok op, const Value& a, const Value& b, int line) {
    int order = 0; // <0, 0, >0
    bool equal = false;
    if (IsNumber(a) && IsNumber(b)) {
        const double x = AsDouble(a), y = AsDouble(b);
        equal = x == y;
        order = x < y ? -1 : (x > y ? 1 : 0);
        if (std::isnan(x) || std::isnan(y)) {
            if (op != Tok::Equal && op != Tok::NotEqual)
                return MakeInteger(0); // nothing is ordered against nan
        }
    } else if (a.type == SCRIPT_STRING && b.type == SCRIPT_STRING) {
        order = a.text.compare(b.text); // byte-wise, bytes unsigned
        equal = order == 0;
    } else if (op == Tok::Equal || op == Tok::NotEqual) {
        equal = a.type == SCRIPT_EMPTY && b.type == SCRIPT_EMPTY;
    } else {
        OperandError(op, a, b, line);
    }
    bool result = false;
    switch (op) {
    case Tok::Equal:
        result = equal;
        break;
    case Tok::NotEqual:
        result = !equal;
        break;
    case Tok::Less:
        result = order < 0;
        break;
    case Tok::LessEqual:
        result = order <= 0;
        break;
    case Tok::Greater:
        result = order > 0;
        break;
    default:
        result = order >= 0;
        break;
    }
    return MakeInteger(result ? 1 : 0);
}

Value Arithmetic(Tok op, const Value& a, const Value& b, int line) {
    if (op == Tok::Plus && (a.type == SCRIPT_STRING || b.type == SCRIPT_STRING)) {
        std::string left = ValueText(a);
        const std::string right = ValueText(b);
        if (left.size() + right.size() > kMaxTextBytes)
            Fail(line, TextTooLong());
        left += right;
        return MakeText(std::move(left));
    }
    if (!IsNumber(a) || !IsNumber(b))
        OperandError(op, a, b, line);
    if (a.type == SCRIPT_INTEGER && b.type == SCRIPT_INTEGER) {
        // Unsigned arithmetic wraps at 32 bits without undefined behaviour.
        const uint32_t x = static_cast<uint32_t>(a.integer);
        const uint32_t y = static_cast<uint32_t>(b.integer);
        switch (op) {
        case Tok::Plus:
            return MakeInteger(static_cast<int32_t>(x + y));
        case Tok::Minus:
            return MakeInteger(static_cast<int32_t>(x - y));
        case Tok::Star:
            return MakeInteger(static_cast<int32_t>(x * y));
        default:
            break;
        }
        if (b.integer == 0)
            Fail(line, op == Tok::Slash ? "division by zero" : "modulo by zero");
        if (b.integer == -1) // INT32_MIN / -1 wraps to INT32_MIN; any % -1 is 0
            return MakeInteger(op == Tok::Slash ? static_cast<int32_t>(0u - x) : 0);
        return MakeInteger(op == Tok::Slash ? a.integer / b.integer : a.integer % b.integer);
    }
    const float x = AsFloat(a), y = AsFloat(b);
    switch (op) {
    case Tok::Plus:
        return MakeFloat(x + y);
    case Tok::Minus:
        return MakeFloat(x - y);
    case Tok::Star:
        return MakeFloat(x * y);
    default:
        break;
    }
    if (y == 0.0f)
        Fail(line, op == Tok::Slash ? "division by zero" : "modulo by zero");
    return MakeFloat(op == Tok::Slash ? x / y : std::fmod(x, y));
}

Value* FindVariable(Context& ctx, const std::string& name) {
    if (ctx.locals != nullptr) {
        auto local = ctx.locals->find(name);
        if (local != ctx.locals->end())
            return &local->second;
    }
    auto global = ctx.script.globals.find(name);
    return global != ctx.script.globals.end() ? &global->second : nullptr;
}

void Assign(Context& ctx, const std::string& name, Value v, int line) {
    if (Value* existing = FindVariable(ctx, name)) {
        *existing = std::move(v);
        return;
    }
    Variables& scope = ctx.locals != nullptr ? *ctx.locals : ctx.script.globals;
    if (scope.size() >= kMaxVariables)
        Fail(line, "too many variables (more than " + std::to_string(kMaxVariables) + ")");
    scope.emplace(name, std::move(v));
}

Value CallUserFunction(EngineState& e, const std::string& name, UserFunction function,
                       const std::vector<Value>& arguments, int line) {
    CallGuard call(e, line);
    const int level = e.userLevel + 1;
    ScriptElement* elements = LevelElements(level);
    // The level is this call's while it runs; afterwards its elements and result are
    // released, on every way out.
    struct LevelScope {
        EngineState& state;
        int level;
        ScriptElement* elements;
        ~LevelScope() {
            for (int i = 0; i < SCRIPT_ARGUMENT_COUNT; ++i)
                ReleaseElement(&elements[i]);
            state.results[static_cast<std::size_t>(level)] = Value{};
            state.userLevel = level - 1;
        }
    } scope{e, level, elements};
    e.userLevel = level;
    e.results[static_cast<std::size_t>(level)] = Value{};
    for (int i = 0; i < SCRIPT_ARGUMENT_COUNT; ++i)
        ReleaseElement(&elements[i]);
    for (std::size_t i = 0; i < arguments.size(); ++i)
        StoreValue(&elements[i], arguments[i]);
    const int32_t succeeded = function(elements);
    Value result = std::move(e.results[static_cast<std::size_t>(level)]);
    if (succeeded == 0)
        Fail(line, "UserFunction " + name + " failed");
    return result;
}

Value Eval(Context& ctx, const Expr& e);

Value Call(Context& ctx, const Expr& e) {
    std::vector<Value> arguments;
    arguments.reserve(e.operands.size());
    for (const ExprPtr& operand : e.operands)
        arguments.push_back(Eval(ctx, *operand));
    auto function = ctx.program.functions.find(e.name);
    if (function != ctx.program.functions.end())
        return CallFunction(ctx.script, ctx.program, *function->second, arguments, e.line);
    auto user = ctx.engine.userFunctions.find(e.name);
    if (user != ctx.engine.userFunctions.end())
        return CallUserFunction(ctx.engine, e.name, user->second, arguments, e.line);
    Value result;
    if (CallBuiltin(e.name, arguments, e.line, result))
        return result;
    Fail(e.line, "unknown function " + e.name);
}

Value Eval(Context& ctx, const Expr& e) {
    DepthGuard depth(ctx.engine, e.line);
    switch (e.kind) {
    case ExprKind::Constant:
        return e.constant;
    case ExprKind::Name: {
        if (const Value* v = FindVariable(ctx, e.name))
            return *v;
        Fail(e.line, "unknown name " + e.name);
    }
    case ExprKind::Call:
        return Call(ctx, e);
    case ExprKind::Negate: {
        Value v = Eval(ctx, *e.operands[0]);
        if (v.type == SCRIPT_INTEGER)
            return MakeInteger(static_cast<int32_t>(0u - static_cast<uint32_t>(v.integer)));
        if (v.type == SCRIPT_FLOAT)
            return MakeFloat(-v.real);
        Fail(e.line, std::string("cannot negate ") + TypeName(v.type));
    }
    case ExprKind::Not:
        return MakeInteger(IsTrue(Eval(ctx, *e.operands[0])) ? 0 : 1);
    case ExprKind::And:
        if (!IsTrue(Eval(ctx, *e.operands[0])))
            return MakeInteger(0);
        return MakeInteger(IsTrue(Eval(ctx, *e.operands[1])) ? 1 : 0);
    case ExprKind::Or:
        if (IsTrue(Eval(ctx, *e.operands[0])))
            return MakeInteger(1);
        return MakeInteger(IsTrue(Eval(ctx, *e.operands[1])) ? 1 : 0);
    case ExprKind::Binary: {
        const Value a = Eval(ctx, *e.operands[0]);
        const Value b = Eval(ctx, *e.operands[1]);
        if (Info(e.op).kind == OperatorKind::Comparison)
            return Compare(e.op, a, b, e.line);
        return Arithmetic(e.op, a, b, e.line);
    }
    }
    return Value{};
}

Flow ExecBlock(Context& ctx, const Block& block);

Flow ExecFor(Context& ctx, const Stmt& s) {
    const Value from = Eval(ctx, *s.exprs[0]);
    const Value to = Eval(ctx, *s.exprs[1]);
    const Value step = s.exprs.size() > 2 ? Eval(ctx, *s.exprs[2]) : MakeInteger(1);
    if (!IsNumber(from) || !IsNumber(to) || !IsNumber(step))
        Fail(s.line, "the bounds and step of a for loop must be numbers");
    if (AsDouble(step) == 0.0)
        Fail(s.line, "for loop step is 0");
    const bool integers =
        from.type == SCRIPT_INTEGER && to.type == SCRIPT_INTEGER && step.type == SCRIPT_INTEGER;
    // The loop keeps its own counter: the body may change the variable without
    // changing the count. Integer counters run in 64 bits, so they never wrap.
    int64_t i = from.integer;
    float f = AsFloat(from);
    for (;;) {
        CountStep(ctx.engine, s.line); // a round with an empty body is a step too
        if (integers) {
            if (step.integer > 0 ? i > to.integer : i < to.integer)
                return Flow::Normal;
            Assign(ctx, s.name, MakeInteger(static_cast<int32_t>(i)), s.line);
        } else {
            if (AsDouble(step) > 0 ? f > AsFloat(to) : f < AsFloat(to))
                return Flow::Normal;
            if (std::isnan(f))
                return Flow::Normal;
            Assign(ctx, s.name, MakeFloat(f), s.line);
        }
        const Flow flow = ExecBlock(ctx, s.blocks[0]);
        if (flow == Flow::Break)
            return Flow::Normal;
        if (flow == Flow::Return)
            return flow;
        if (integers) {
            i += step.integer;
        } else {
            const float next = f + AsFloat(step);
            if (next == f)
                Fail(s.line, "for loop step too small to change the counter");
            f = next;
        }
    }
}

Flow Exec(Context& ctx, const Stmt& s) {
    DepthGuard depth(ctx.engine, s.line);
    switch (s.kind) {
    case StmtKind::Expression:
        Eval(ctx, *s.exprs[0]);
        return Flow::Normal;
    case StmtKind::Assign:
        Assign(ctx, s.name, Eval(ctx, *s.exprs[0]), s.line);
        return Flow::Normal;
    case StmtKind::If:
        for (std::size_t i = 0; i < s.exprs.size(); ++i) {
            if (IsTrue(Eval(ctx, *s.exprs[i])))
                return ExecBlock(ctx, s.blocks[i]);
        }
        if (s.blocks.size() > s.exprs.size())
            return ExecBlock(ctx, s.blocks.back());
        return Flow::Normal;
    case StmtKind::While:
        while (IsTrue(Eval(ctx, *s.exprs[0]))) {
            const Flow flow = ExecBlock(ctx, s.blocks[0]);
            if (flow == Flow::Break)
                break;
            if (flow == Flow::Return)
                return flow;
        }
        return Flow::Normal;
    case StmtKind::For:
        return ExecFor(ctx, s);
    case StmtKind::Break:
        return Flow::Break;
    case StmtKind::Continue:
        return Flow::Continue;
    case StmtKind::Return:
        ctx.returned = s.exprs.empty() ? Value{} : Eval(ctx, *s.exprs[0]);
        return Flow::Return;
    }
    return Flow::Normal;
}

Flow ExecBlock(Context& ctx, const Block& block) {
    for (const Stmt& s : block) {
        const Flow flow = Exec(ctx, s);
        if (flow != Flow::Normal)
            return flow;
    }
    return Flow::Normal;
}

} // namespace

void RunLine(ScriptState& script, const Program& program, const Stmt& line) {
    Context ctx{Engine(), script, program, nullptr, Value{}};
    Exec(ctx, line);
}

Value CallFunction(ScriptState& script, const Program& program, const Function& function,
                   std::vector<Value>& arguments, int line) {
    if (arguments.size() != function.parameters.size())
        Fail(line, "wrong argument count: " + function.name + " takes " +
                       std::to_string(function.parameters.size()) + ", given " +
                       std::to_string(arguments.size()));
    EngineState& engine = Engine();
    CallGuard call(engine, line);
    Variables locals;
    for (std::size_t i = 0; i < arguments.size(); ++i)
        locals[function.parameters[i]] = std::move(arguments[i]);
    Context ctx{engine, script, program, &locals, Value{}};
    ExecBlock(ctx, function.body);
    return std::move(ctx.returned);
}

} // namespace script
