#include "run_script.h"
#include "support/host_do_subroutine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<std::string> calls;

int32_t Record(ScriptElement* arguments) {
    std::string line;
    for (int i = 0; i < SCRIPT_ARGUMENT_COUNT; ++i) {
        char text[64] = {};
        if (arguments[i].type == SCRIPT_STRING && std::strlen(arguments[i].value.text) > 60)
            continue;
        script::DecodeElement(text, SCRIPT_STRING, &arguments[i]);
        line += std::to_string(arguments[i].type) + ":" + text + " ";
        if (arguments[i].type == SCRIPT_EMPTY)
            break;
    }
    calls.push_back(line);
    const int32_t seven = 7;
    return script::ReturnElement(&seven, SCRIPT_INTEGER);
}

int32_t Fails(ScriptElement*) {
    return 0;
}

TEST(Elements, EncodeDecodeClear) {
    script::ResetEngine();
    ScriptElement e{};
    const int32_t i = -12;
    ASSERT_EQ(script::EncodeElement(&e, &i, SCRIPT_INTEGER), 1);
    char text[64];
    ASSERT_EQ(script::DecodeElement(text, SCRIPT_STRING, &e), 1);
    EXPECT_STREQ(text, "-12");
    const float f = 2.5f;
    ASSERT_EQ(script::EncodeElement(&e, &f, SCRIPT_FLOAT), 1);
    int32_t asInt = 0;
    script::DecodeElement(&asInt, SCRIPT_INTEGER, &e);
    EXPECT_EQ(asInt, 2);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    script::EncodeElement(&e, &nan, SCRIPT_FLOAT);
    script::DecodeElement(&asInt, SCRIPT_INTEGER, &e);
    EXPECT_EQ(asInt, 0);
    ASSERT_EQ(script::EncodeElement(&e,
                                    "\x95\x5C"
                                    "12",
                                    SCRIPT_STRING),
              1);
    EXPECT_STREQ(e.value.text, "\x95\x5C"
                               "12");
    ASSERT_EQ(script::EncodeElement(&e, "  34", SCRIPT_STRING), 1);
    script::DecodeElement(&asInt, SCRIPT_INTEGER, &e);
    EXPECT_EQ(asInt, 34);
    // Encoding an element's own text into it is safe.
    ASSERT_EQ(script::EncodeElement(&e, e.value.text, SCRIPT_STRING), 1);
    EXPECT_STREQ(e.value.text, "  34");
    EXPECT_EQ(script::ClearElement(&e), 1);
    EXPECT_EQ(e.type, SCRIPT_EMPTY);
    script::DecodeElement(text, SCRIPT_STRING, &e);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(script::EncodeElement(&e, nullptr, 9), 0);
}

TEST(Elements, StaleCopiesOwnNothing) {
    script::ResetEngine();
    ScriptElement a{}, b{};
    script::EncodeElement(&a, "first", SCRIPT_STRING);
    std::memcpy(&b, &a, sizeof a); // a raw copy: both name the same text
    script::ClearElement(&a);      // frees it
    script::ClearElement(&b);      // the copy frees nothing (ASan would see a double free)
    script::EncodeElement(&a, "second", SCRIPT_STRING);
    ScriptElement stale{};
    std::memcpy(&stale, &b, sizeof b);
    std::memcpy(&stale.value, &a.value, sizeof a.value); // same address, older serial
    script::ClearElement(&stale);
    EXPECT_STREQ(a.value.text, "second"); // still alive
    script::ClearElement(&a);
}

TEST(UserFunctions, ArgumentsInResultOutAndFailure) {
    calls.clear();
    script::ResetEngine();
    script::SetUserFunction("Record", Record);
    script::SetUserFunction("Fails", Fails);
    ASSERT_EQ(RunSource("x = 0"), 1);
    script::SetUserFunction("Record", Record);
    script::SetUserFunction("Fails", Fails);
    const char source[] = "r = Record(1, 2.5, \"t\")\nFails()\nafter = 1\n";
    ASSERT_EQ(script::ReadScriptFileFromMemory(source, sizeof source - 1), 1);
    EXPECT_EQ(script::LineExec(), 1);
    EXPECT_EQ(script::LineExec(), 0);
    EXPECT_EQ(LastError(), "(memory):2: UserFunction Fails failed");
    EXPECT_EQ(script::LineExec(), 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "1:1 2:2.5 3:t 0: ");
    EXPECT_EQ(Global("r"), "integer 7");
}

TEST(UserFunctions, FunctionExecTakesStackElementsAndKeepsGlobals) {
    script::ResetEngine();
    const char source[] = "total = 0\nfunction Add(a, b) { total = total + a + b }\n";
    ASSERT_EQ(script::ReadScriptFileFromMemory(source, sizeof source - 1), 1);
    ASSERT_EQ(script::LineExec(), 1);
    for (int round = 0; round < 3; ++round) {
        ScriptElement* args = script::GetStackElement();
        const int32_t one = 1, two = 2;
        script::EncodeElement(&args[0], &one, SCRIPT_INTEGER);
        script::EncodeElement(&args[1], &two, SCRIPT_INTEGER);
        script::EncodeElement(&args[2], "unused", SCRIPT_STRING);
        script::DefragElement();
        ASSERT_EQ(script::FunctionExec("Add"), 1);
        EXPECT_EQ(args[2].type, SCRIPT_EMPTY); // emptied afterwards
    }
    EXPECT_EQ(Global("total"), "integer 9");
    EXPECT_EQ(script::FunctionExec("Missing"), 0);
    EXPECT_EQ(LastError(), "(memory): FunctionExec: no function named Missing");
    EXPECT_EQ(script::GetErrorState(nullptr, 0), script::kUsageError);
}

TEST(UserFunctions, DoSubroutineMovesRecordsAndReentersTheEngine) {
    calls.clear();
    script::ResetEngine();
    script::SetUserFunction("DoSubroutine", HostDoSubroutine);
    script::SetUserFunction("Record", Record);
    const char source[] =
        "depth = 0\n"
        "function Inner(a, b, c) { Record(a, b, c); return 1 }\n"
        "function Down(n) { depth = depth + 1; if n > 0 { DoSubroutine(\"Down\", n - 1) } }\n"
        "DoSubroutine(\"Inner\", \"x\x95\x5C\", 2, 3.5)\n"
        "DoSubroutine(\"Down\", 50)\n";
    ASSERT_EQ(script::ReadScriptFileFromMemory(source, sizeof source - 1), 1);
    while (script::GetNextLine() != 0)
        ASSERT_EQ(script::LineExec(), 1) << LastError();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "3:x\x95\x5C 1:2 2:3.5 0: ");
    EXPECT_EQ(Global("depth"), "integer 51");
}

TEST(UserFunctions, ReturnElementOutsideAUserFunctionFails) {
    script::ResetEngine();
    const int32_t v = 1;
    EXPECT_EQ(script::ReturnElement(&v, SCRIPT_INTEGER), 0);
}

TEST(Scripts, SeveralScriptsKeepTheirOwnGlobals) {
    script::ResetEngine();
    const char a[] = "name = \"first\"";
    const char b[] = "name = \"second\"";
    ASSERT_EQ(script::ReadScriptFileFromMemory(a, sizeof a - 1), 1);
    script::LineExec();
    const int32_t second = script::CreateScriptFromMemory(b, sizeof b - 1);
    ASSERT_NE(second, 0);
    script::LineExec();
    EXPECT_EQ(Global("name"), "string second");
    ASSERT_EQ(script::SelectScript(1), 1);
    EXPECT_EQ(Global("name"), "string first");
    EXPECT_EQ(script::ReleaseScript(second), 1);
    EXPECT_EQ(script::SelectScript(second), 0);
    EXPECT_EQ(script::DestroyBuffer(), 1);
    EXPECT_EQ(Global("name"), "missing");
    EXPECT_EQ(script::ReadScriptFile("/nonexistent/script.txt"), 0);
    EXPECT_EQ(LastError(), "/nonexistent/script.txt: cannot read the script file");
    EXPECT_EQ(script::GetErrorState(nullptr, 0), script::kFileError);
    script::ResetErrorState();
    EXPECT_EQ(script::GetErrorState(nullptr, 0), script::kNoError);
}

// A host that creates, runs and releases scripts again and again (a catalogue read every
// start, a fuzzer) finds the engine holding what it held before: handles, texts and the
// 256-script table are reclaimed.
TEST(Scripts, CreateRunReleaseCyclesLeaveNothingBehind) {
    script::ResetEngine();
    script::SetUserFunction("DoSubroutine", HostDoSubroutine);
    const char source[] = "kept = \"top\"\n"
                          "function Main(name) { DoSubroutine(\"Sub\", name + \"!\", 2) }\n"
                          "function Sub(text, n) { kept = text + str(n); return kept }\n";
    auto cycle = [&] {
        const int32_t handle = script::CreateScriptFromMemory(source, sizeof source - 1);
        ASSERT_NE(handle, 0) << LastError();
        ASSERT_EQ(script::LineExec(), 1);
        script::EncodeElement(&script::GetStackElement()[0], "name", SCRIPT_STRING);
        ASSERT_EQ(script::FunctionExec("Main"), 1) << LastError();
        ASSERT_NE(script::GetElement("kept"), nullptr);
        ASSERT_EQ(script::ReleaseScript(handle), 1);
    };
    cycle(); // makes the argument levels this script's calls use, once
    const script::LiveState start = script::CountLiveState();
    for (int i = 0; i < 1000; ++i)
        cycle();
    const script::LiveState end = script::CountLiveState();
    EXPECT_EQ(end.scripts, start.scripts);
    EXPECT_EQ(end.elementTexts, start.elementTexts);
    EXPECT_EQ(end.argumentLevels, start.argumentLevels);
    EXPECT_EQ(end.userFunctions, start.userFunctions);
}

} // namespace
