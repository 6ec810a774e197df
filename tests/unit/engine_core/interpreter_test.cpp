#include "run_script.h"
#include "support/host_do_subroutine.h"

#include <gtest/gtest.h>

namespace {

std::string RuntimeError(const std::string& source) {
    if (RunSource(source) != 0)
        return "no error";
    return LastError();
}

TEST(Arithmetic, IntegersWrapAndDivideTruncating) {
    EXPECT_EQ(Evaluate("2147483647 + 1"), "integer -2147483648");
    EXPECT_EQ(Evaluate("-2147483647 - 1 - 1"), "integer 2147483647");
    EXPECT_EQ(Evaluate("65536 * 65536"), "integer 0");
    EXPECT_EQ(Evaluate("(-2147483647 - 1) / -1"), "integer -2147483648");
    EXPECT_EQ(Evaluate("(-2147483647 - 1) % -1"), "integer 0");
    EXPECT_EQ(Evaluate("-(-2147483647 - 1)"), "integer -2147483648");
    EXPECT_EQ(Evaluate("7 / 2"), "integer 3");
    EXPECT_EQ(Evaluate("-7 / 2"), "integer -3");
    EXPECT_EQ(Evaluate("-7 % 3"), "integer -1");
    EXPECT_EQ(Evaluate("1 + 2 * 3 - 4"), "integer 3");
}

TEST(Arithmetic, FloatsWhenEitherSideIsFloat) {
    EXPECT_EQ(Evaluate("7 / 2.0"), "float 3.5");
    EXPECT_EQ(Evaluate("256.0 / 512"), "float 0.5");
    EXPECT_EQ(Evaluate("1.0 * 2"), "float 2.0");
    EXPECT_EQ(Evaluate("1e3"), "float 1000.0");
    EXPECT_EQ(Evaluate("7.5 % 2"), "float 1.5");
}

TEST(Arithmetic, DivisionByZeroIsARuntimeError) {
    EXPECT_EQ(Evaluate("1 / 0"), "error: (memory):1: division by zero");
    EXPECT_EQ(Evaluate("1 % 0"), "error: (memory):1: modulo by zero");
    EXPECT_EQ(Evaluate("1.0 / 0"), "error: (memory):1: division by zero");
    EXPECT_EQ(script::GetErrorState(nullptr, 0), script::kRuntimeError);
}

TEST(Strings, ConcatenateCompareAndTruth) {
    EXPECT_EQ(Evaluate("\"a\" + 1 + 2"), "string a12");
    EXPECT_EQ(Evaluate("1 + 2 + \"a\""), "string 3a");
    EXPECT_EQ(Evaluate("\"w\" + 2.5"), "string w2.5");
    EXPECT_EQ(Evaluate("\"abc\" < \"abd\""), "integer 1");
    EXPECT_EQ(Evaluate("\"\x95\x5C\" > \"z\""), "integer 1"); // bytes compare unsigned
    EXPECT_EQ(Evaluate("\"a\" == \"a\""), "integer 1");
    EXPECT_EQ(Evaluate("\"1\" == 1"), "integer 0");
    EXPECT_EQ(Evaluate("1 == 1.0"), "integer 1");
    EXPECT_EQ(Evaluate("\"\" or 0"), "integer 0");
    EXPECT_EQ(Evaluate("not \"x\""), "integer 0");
    EXPECT_EQ(Evaluate("\"a\" - 1"), "error: (memory):1: cannot use '-' with string and integer");
    EXPECT_EQ(Evaluate("\"a\" < 1"), "error: (memory):1: cannot use '<' with string and integer");
}

TEST(Logic, AndOrShortCircuit) {
    EXPECT_EQ(Evaluate("0 and 1 / 0"), "integer 0");
    EXPECT_EQ(Evaluate("1 or 1 / 0"), "integer 1");
    EXPECT_EQ(Evaluate("2 and 3"), "integer 1");
    EXPECT_EQ(Evaluate("1 < 2 and 2 < 3 or 0"), "integer 1");
}

TEST(Statements, IfWhileForBreakContinue) {
    const char source[] = R"(
sum = 0
for i = 1 to 10 { if i % 2 == 0 { continue } ; sum = sum + i }
down = ""
for j = 3 to 1 step -1 { down = down + j }
n = 0
while 1 { n = n + 1; if n >= 5 { break } }
if n == 4 { kind = "four" } else if n == 5 { kind = "five" } else { kind = "other" }
f = 0
for x = 0.0 to 1.0 step 0.25 { f = f + 1 }
never = 0
for k = 1 to 0 { never = 1 }
last = 0
for m = 2147483646 to 2147483647 { last = m }
)";
    ASSERT_EQ(RunSource(source), 1) << LastError();
    EXPECT_EQ(Global("sum"), "integer 25");
    EXPECT_EQ(Global("down"), "string 321");
    EXPECT_EQ(Global("kind"), "string five");
    EXPECT_EQ(Global("f"), "integer 5");
    EXPECT_EQ(Global("never"), "integer 0");
    EXPECT_EQ(Global("last"), "integer 2147483647");
    EXPECT_EQ(RuntimeError("for i = 1 to 2 step 0 { }"), "(memory):1: for loop step is 0");
}

TEST(Scope, AssignmentsInFunctionsAreLocalUnlessTheGlobalExists) {
    const char source[] = R"(
count = 0
function Touch(p) {
    count = count + 1      // the global exists: it is written
    fresh = p              // a new local
    return fresh
}
r = Touch(7)
r = Touch(8)
function ReadLater() { return later }
later = 5
seen = ReadLater()
)";
    ASSERT_EQ(RunSource(source), 1) << LastError();
    EXPECT_EQ(Global("count"), "integer 2");
    EXPECT_EQ(Global("r"), "integer 8");
    EXPECT_EQ(Global("fresh"), "missing");
    EXPECT_EQ(Global("seen"), "integer 5");
}

TEST(Scope, ParametersShadowGlobals) {
    ASSERT_EQ(RunSource("a = 1\nfunction F(a) { a = a + 10; return a }\nb = F(5)\n"), 1);
    EXPECT_EQ(Global("a"), "integer 1");
    EXPECT_EQ(Global("b"), "integer 15");
}

TEST(Calls, FunctionsReturnEmptyWithoutReturnAndRecurse) {
    ASSERT_EQ(RunSource("function N() { }\nfunction Fib(n) { if n < 2 { return n }\n"
                        "return Fib(n - 1) + Fib(n - 2) }\ne = N()\nf = Fib(15)\nt = type(e)\n"),
              1);
    EXPECT_EQ(Global("t"), "string empty");
    EXPECT_EQ(Global("f"), "integer 610");
}

TEST(Calls, RuntimeErrorsEndTheLineAndNameIt) {
    EXPECT_EQ(RuntimeError("x = y"), "(memory):1: unknown name y");
    EXPECT_EQ(RuntimeError("\nNope(1)"), "(memory):2: unknown function Nope");
    EXPECT_EQ(RuntimeError("function F(a) { }\nF()"),
              "(memory):2: wrong argument count: F takes 1, given 0");
    EXPECT_EQ(RuntimeError("function F() {\n return F() }\nF()"),
              "(memory):2: recursion too deep (more than 200 nested calls)");
    EXPECT_EQ(RuntimeError("x = min(1)"), "(memory):1: wrong argument count: min takes 2, given 1");
    EXPECT_EQ(RuntimeError("x = -\"a\""), "(memory):1: cannot negate string");
    EXPECT_EQ(RuntimeError("function E() { }\nx = E() + 1"),
              "(memory):2: cannot use '+' with empty and integer");
    // A failing line stops only itself: the next lines still run.
    ASSERT_EQ(RunSource("a = 1\nb = 1 / 0\nc = 3\n"), 0);
    EXPECT_EQ(Global("a"), "integer 1");
    EXPECT_EQ(Global("b"), "missing");
    EXPECT_EQ(Global("c"), "integer 3");
}

TEST(Limits, TextTooLongIsARuntimeError) {
    EXPECT_EQ(RuntimeError("s = \"xxxxxxxxxxxxxxxx\"\nwhile 1 { s = s + s }"),
              "(memory):2: text too long (more than 1048576 bytes)");
}

// Each host call has its own step budget; a call the host makes from inside a UserFunction
// (DoSubroutine) spends the budget of the call it is part of.
TEST(Limits, EveryHostCallHasAStepBudget) {
    const char source[] =
        "function Loop() { while 1 { } }\n"
        "function Count(n) { for i = 1 to n { } }\n"
        "function Twice(n) { DoSubroutine(\"Count\", n); DoSubroutine(\"Count\", n) }\n"
        "function Nested() { DoSubroutine(\"Loop\") }\n"
        "while 1 { }\n"
        "for i = 1 to 2147483647 { }\n"
        "x = 1\n";
    const struct {
        const char* call; // a function the host calls, or null for the next top-level line
        int32_t argument;
        int32_t succeeds;
        const char* error;
    } cases[] = {
        {nullptr, 0, 0, "(memory):5: execution limit of 10000 steps exceeded"},
        {nullptr, 0, 0, "(memory):6: execution limit of 10000 steps exceeded"},
        {nullptr, 0, 1, ""},
        {"Loop", 0, 0, "(memory):1: execution limit of 10000 steps exceeded"},
        {"Count", 6000, 1, ""},
        {"Count", 6000, 1, ""}, // the last call's steps are not carried over
        {"Twice", 6000, 0, "(memory):3: UserFunction DoSubroutine failed"},
        {"Nested", 0, 0, "(memory):4: UserFunction DoSubroutine failed"},
    };
    script::ResetEngine();
    script::SetStepLimit(10000);
    script::SetUserFunction("DoSubroutine", HostDoSubroutine);
    ASSERT_EQ(script::ReadScriptFileFromMemory(source, sizeof source - 1), 1);
    for (const auto& c : cases) {
        script::ResetErrorState();
        int32_t result = 0;
        if (c.call == nullptr) {
            result = script::LineExec();
        } else {
            script::EncodeElement(&script::GetStackElement()[0], &c.argument, SCRIPT_INTEGER);
            result = script::FunctionExec(c.call);
        }
        EXPECT_EQ(result, c.succeeds) << (c.call ? c.call : "line");
        EXPECT_EQ(LastError(), c.error) << (c.call ? c.call : "line");
        EXPECT_EQ(script::GetErrorState(nullptr, 0),
                  c.succeeds ? script::kNoError : script::kRuntimeError);
    }
}

TEST(Limits, DeepRecursionThroughNestedExpressionsIsBounded) {
    // Each call nests an expression 150 levels deep: the evaluation depth limit ends it
    // long before the call limit.
    std::string body;
    for (int i = 0; i < 150; ++i)
        body += "1 + (";
    body += "D(n + 1)" + std::string(150, ')');
    const std::string source = "function D(n) { return " + body + " }\nD(0)\n";
    ASSERT_EQ(RunSource(source), 0);
    EXPECT_EQ(LastError(),
              "(memory):1: recursion too deep (more than 2500 nested evaluation steps)");
}

} // namespace
