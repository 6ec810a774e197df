// script.dll through the host's binding: scripts run against test UserFunctions.
#include "scripthost/script_engine.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> calls; // what Record saw, one line a call

std::string ElementText(ScriptElement* element) {
    ScriptEngine& engine = *CurrentScriptEngine;
    if (element->type == SCRIPT_STRING)
        return element->value.text;
    char number[SCRIPT_NUMBER_TEXT_MAX + 1] = {};
    engine.DecodeElement(number, SCRIPT_STRING, element);
    return number;
}

// Records its arguments as "type:text" and gives the script their count.
int32_t SCRIPTAPI Record(ScriptElement* arguments) {
    std::string line;
    int32_t count = 0;
    for (; count < SCRIPT_ARGUMENT_COUNT && arguments[count].type != SCRIPT_EMPTY; ++count)
        line += std::to_string(arguments[count].type) + ":" + ElementText(&arguments[count]) + " ";
    calls.push_back(line);
    return CurrentScriptEngine->ReturnElement(&count, SCRIPT_INTEGER);
}

// Gives back its first argument's text doubled, through ReturnElement's copy.
int32_t SCRIPTAPI Twice(ScriptElement* arguments) {
    const std::string text = ElementText(&arguments[0]) + ElementText(&arguments[0]);
    return CurrentScriptEngine->ReturnElement(text.c_str(), SCRIPT_STRING);
}

int32_t SCRIPTAPI Refuse(ScriptElement*) {
    return 0;
}

// The host's DoSubroutine, as the conversion run has it: read the name, clear element 0,
// move the 15 records down as raw bytes, empty element 15 by its type only.
int32_t SCRIPTAPI DoSubroutine(ScriptElement* arguments) {
    ScriptEngine& engine = *CurrentScriptEngine;
    char name[1024];
    if (arguments[0].type == SCRIPT_STRING && std::strlen(arguments[0].value.text) >= sizeof name)
        return 0;
    engine.DecodeElement(name, SCRIPT_STRING, &arguments[0]);
    engine.ClearElement(&arguments[0]);
    std::memmove(arguments, arguments + 1, 15 * sizeof(ScriptElement));
    arguments[15].type = SCRIPT_EMPTY;
    engine.DefragElement();
    return engine.FunctionExec(name);
}

// Calls the script function Back with fresh arguments from inside a UserFunction. Inside
// a UserFunction the stack elements are the call's own arguments (that is how
// DoSubroutine passes them on), so it reads them first. Its result, set after the nested
// call, is ten times its argument.
int32_t SCRIPTAPI CallBack(ScriptElement* arguments) {
    ScriptEngine& engine = *CurrentScriptEngine;
    int32_t n = 0;
    engine.DecodeElement(&n, SCRIPT_INTEGER, &arguments[0]);
    ScriptElement* next = engine.GetStackElement();
    const int32_t less = n - 1;
    engine.EncodeElement(&next[0], &less, SCRIPT_INTEGER);
    engine.EncodeElement(&next[1], "via CallBack", SCRIPT_STRING);
    engine.DefragElement();
    if (engine.FunctionExec("Back") == 0)
        return 0;
    const int32_t result = n * 10;
    return engine.ReturnElement(&result, SCRIPT_INTEGER);
}

std::string EnginePath() {
    return TestProgramDirectory() + "\\..\\bin\\script.dll";
}

// Captures what the process writes to standard error (the C runtime's descriptor 2,
// shared with script.dll) while it lives.
struct StderrCapture {
    TempDir dir;
    std::string path = dir / "stderr.txt";
    int saved = -1;
    StderrCapture() {
        std::fflush(stderr);
        saved = _dup(2);
        const int file = _open(path.c_str(), _O_CREAT | _O_TRUNC | _O_WRONLY | _O_BINARY, 0600);
        _dup2(file, 2);
        _close(file);
    }
    std::string Text() {
        std::fflush(stderr);
        return ReadFileBytes(path);
    }
    ~StderrCapture() {
        std::fflush(stderr);
        _dup2(saved, 2);
        _close(saved);
    }
};

class ScriptDll : public ::testing::Test {
  protected:
    ScriptEngine engine;
    std::unique_ptr<CurrentEngineScope> scope;
    TempDir dir;

    void SetUp() override {
        ASSERT_EQ(engine.Load(EnginePath().c_str()), 1) << EnginePath();
        scope = std::make_unique<CurrentEngineScope>(engine);
        calls.clear();
    }
    void TearDown() override {
        scope.reset();
        engine.Unload();
    }

    void Register() {
        engine.SetUserFunction("Record", Record);
        engine.SetUserFunction("Twice", Twice);
        engine.SetUserFunction("Refuse", Refuse);
        engine.SetUserFunction("DoSubroutine", DoSubroutine);
        engine.SetUserFunction("CallBack", CallBack);
    }

    // Writes the script to a file, reads it, registers the UserFunctions and runs its
    // lines; the number of lines that failed, or -1 when it was not read.
    int Run(const std::string& source, const std::string& name = "test.txt") {
        const std::string path = dir / name;
        EXPECT_TRUE(WriteFileBytes(path, source));
        if (engine.ReadScriptFile(path.c_str()) == 0)
            return -1;
        Register();
        int failed = 0;
        while (engine.GetNextLine() != 0)
            failed += engine.LineExec() == 0 ? 1 : 0;
        return failed;
    }

    std::string Error() {
        char text[1024];
        engine.GetErrorState(text, sizeof text);
        std::string message = text;
        const std::size_t slash = message.find_last_of('\\');
        return slash == std::string::npos ? message : message.substr(slash + 1);
    }

    // Calls a function with integer arguments as the host's CallScriptFunction does.
    int32_t Call(const char* name, std::vector<int32_t> integers) {
        ScriptElement* arguments = engine.GetStackElement();
        for (std::size_t i = 0; i < integers.size(); ++i)
            engine.EncodeElement(&arguments[i], &integers[i], SCRIPT_INTEGER);
        engine.DefragElement();
        return engine.FunctionExec(name);
    }

    std::string Global(const char* name) {
        ScriptElement* element = engine.GetElement(name);
        return element == nullptr ? "missing"
                                  : std::to_string(element->type) + ":" + ElementText(element);
    }
};

TEST_F(ScriptDll, ArgumentsGoInAndReturnElementComesOut) {
    ASSERT_EQ(Run("n = Record(1, 2.5, \"three\")\nt = Twice(\"ab\")\ne = type(Record())\n"), 0)
        << Error();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "1:1 2:2.5 3:three ");
    EXPECT_EQ(Global("n"), "1:3");
    EXPECT_EQ(Global("t"), "3:abab");
    EXPECT_EQ(Global("e"), "3:integer"); // Record() returned 0 through ReturnElement
}

TEST_F(ScriptDll, GlobalsLiveAcrossFunctionExecCalls) {
    ASSERT_EQ(Run("count = 0\nfunction Main(w, h, name, index) {\n"
                  "  count = count + 1\n  last = name + \":\" + (w * h)\n  Record(last, index)\n"
                  "  return 1\n}\n"),
              0);
    for (int32_t i = 0; i < 3; ++i) {
        ScriptElement* arguments = engine.GetStackElement();
        const int32_t w = 4 + i, h = 2;
        engine.EncodeElement(&arguments[0], &w, SCRIPT_INTEGER);
        engine.EncodeElement(&arguments[1], &h, SCRIPT_INTEGER);
        engine.EncodeElement(&arguments[2], "img.jpg", SCRIPT_STRING);
        engine.EncodeElement(&arguments[3], &i, SCRIPT_INTEGER);
        engine.DefragElement();
        ASSERT_EQ(engine.FunctionExec("Main"), 1) << Error();
        EXPECT_EQ(arguments[2].type, SCRIPT_EMPTY);
    }
    EXPECT_EQ(Global("count"), "1:3");
    EXPECT_EQ(Global("last"), "missing"); // a local of Main
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2], "3:img.jpg:12 1:2 ");
}

TEST_F(ScriptDll, DoSubroutineMovesTheRawRecordsAndReentersTheEngine) {
    ASSERT_EQ(Run("function Show(a, b, c, d) { Record(a, b, c, d) }\n"
                  "DoSubroutine(\"Show\", \"x\", \"\x95\x5C\", 3, 4.5)\n"
                  "hits = 0\nfunction Down(n) { hits = hits + 1\n"
                  "  if n > 0 { DoSubroutine(\"Down\", n - 1, \"pad\", \"pad\") } }\n"
                  "DoSubroutine(\"Down\", 60, \"pad\", \"pad\")\n"),
              0)
        << Error();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "3:x 3:\x95\x5C 1:3 2:4.5 ");
    EXPECT_EQ(Global("hits"), "1:61");
}

TEST_F(ScriptDll, UserFunctionsCallBackIntoTheEngineWithTheirOwnArguments) {
    ASSERT_EQ(Run("depth = 0\nfunction Back(n, from) {\n  depth = depth + 1\n"
                  "  if n > 0 { if CallBack(n) != n * 10 { Refuse() } } else { Record(from) }\n}\n"
                  "CallBack(40)\n"),
              0)
        << Error();
    EXPECT_EQ(Global("depth"), "1:40");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "3:via CallBack ");
}

TEST_F(ScriptDll, EndlessReentryEndsWithRecursionTooDeep) {
    StderrCapture capture;
    EXPECT_EQ(
        Run("function Loop() { DoSubroutine(\"Loop\") }\nDoSubroutine(\"Loop\")\nafter = 1\n"), 1);
    EXPECT_NE(capture.Text().find("recursion too deep"), std::string::npos);
    EXPECT_EQ(Global("after"), "1:1"); // the engine goes on with the next line
}

TEST_F(ScriptDll, DoubleByteTextsInScriptFilesStayIntact) {
    // 表示 / ソフト / 機能 in strings and comments: trail bytes 0x5C must not escape.
    const std::string hyou = "\x95\x5C\x8E\xA6", soft = "\x83\x5C\x83\x74\x83\x67",
                      nou = "\x8B\x40\x94\x5C";
    ASSERT_EQ(Run("// " + hyou + "\n/* " + soft + " */\nname = \"" + hyou + "\\\\" + soft +
                  "\"\nsep = find(name, \"\\\\\")\nRecord(name, \"" + nou +
                  "\")\n"
                  "up = upper(\"" +
                  nou + "a\")\n"),
              0)
        << Error();
    EXPECT_EQ(Global("name"), "3:" + hyou + "\\" + soft);
    EXPECT_EQ(Global("sep"), "1:4");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "3:" + hyou + "\\" + soft + " 3:" + nou + " ");
    EXPECT_EQ(Global("up"), "3:" + nou + "A");
}

TEST_F(ScriptDll, EveryErrorIsReportedWithFileAndLineOnStandardError) {
    struct Case {
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {"x = 1\ny = nothing\n", "bad.txt:2: unknown name nothing"},
        {"function F(a) { }\n\nF(1, 2)\n", "bad.txt:3: wrong argument count: F takes 1, given 2"},
        {"x = 10 / (5 - 5)\n", "bad.txt:1: division by zero"},
        {"function R(n) { return R(n + 1) }\nR(0)\n",
         "bad.txt:1: recursion too deep (more than 200 nested calls)"},
        {"s = \"x\"\nwhile 1 {\n s = s + s }\n",
         "bad.txt:3: text too long (more than 1048576 bytes)"},
        {"\nRefuse(1)\n", "bad.txt:2: UserFunction Refuse failed"},
        {"Nothing()\n", "bad.txt:1: unknown function Nothing"},
        {"x = (1 + \n",
         "bad.txt:2: syntax error: expected an expression, found the end of the script"},
        {"\nRecord(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)\n",
         "bad.txt:2: syntax error: more than 16 arguments in a call of Record"},
    };
    // Deep evaluation inside deep calls ends with an error, not a stack overflow.
    std::string deep = "function D(n) {\n return ";
    for (int i = 0; i < 150; ++i)
        deep += "1 + (";
    deep += "D(n + 1)" + std::string(150, ')') + " }\nD(0)\n";
    {
        StderrCapture capture;
        EXPECT_EQ(Run(deep, "bad.txt"), 1);
        EXPECT_EQ(Error(),
                  "bad.txt:2: recursion too deep (more than 2500 nested evaluation steps)");
    }
    for (const Case& c : cases) {
        StderrCapture capture;
        const int failed = Run(c.source, "bad.txt");
        EXPECT_NE(failed, 0) << c.source;
        EXPECT_EQ(Error(), c.message);
        const std::string text = capture.Text();
        EXPECT_NE(text.find(std::string(c.message) + "\n"), std::string::npos) << text;
        EXPECT_NE(text.find(dir.path), std::string::npos) << "the full path names the file";
        EXPECT_NE(engine.GetErrorState(nullptr, 0), 0);
    }
    StderrCapture capture;
    EXPECT_EQ(Call("Main", {1, 2}), 0);
    EXPECT_NE(capture.Text().find("no function named Main"), std::string::npos);
    EXPECT_EQ(engine.ReadScriptFile((dir / "missing.txt").c_str()), 0);
    EXPECT_EQ(Error(), "missing.txt: cannot read the script file");
    EXPECT_EQ(engine.ResetErrorState(), 1);
    EXPECT_EQ(engine.GetErrorState(nullptr, 0), 0);
}

std::vector<std::string> handed; // what TakeError was handed
void SCRIPTAPI TakeError(const char* message) {
    handed.push_back(message);
}

TEST_F(ScriptDll, AnErrorHandlerTakesTheMessagesInsteadOfStandardError) {
    ASSERT_NE(engine.SetErrorHandler, nullptr);
    handed.clear();
    {
        StderrCapture capture;
        EXPECT_EQ(engine.SetErrorHandler(TakeError), 1);
        EXPECT_EQ(Run("x = nothing\nNothing()\n", "bad.txt"), 2);
        EXPECT_EQ(capture.Text(), "");
    }
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(handed[1].substr(handed[1].find_last_of('\\') + 1),
              "bad.txt:2: unknown function Nothing");
    StderrCapture capture;
    EXPECT_EQ(engine.SetErrorHandler(nullptr), 1);
    EXPECT_EQ(Run("Nothing()\n", "bad.txt"), 1);
    EXPECT_NE(capture.Text().find("bad.txt:1: unknown function Nothing\n"), std::string::npos);
    EXPECT_EQ(handed.size(), 2u);
}

TEST_F(ScriptDll, ARuntimeErrorInAFunctionFailsFunctionExecOnly) {
    ASSERT_EQ(Run("ok = 0\nfunction Main(w) { if w == 0 { return 1 / w }\n ok = ok + 1\n}\n"), 0);
    EXPECT_EQ(Call("Main", {0}), 0);
    EXPECT_EQ(Error(), "test.txt:2: division by zero");
    EXPECT_EQ(Call("Main", {1}), 1);
    EXPECT_EQ(Global("ok"), "1:1");
}

TEST_F(ScriptDll, ElementsDecodeAnyTypeAsTerminatedText) {
    ScriptElement* e = engine.GetStackElement();
    char text[SCRIPT_NUMBER_TEXT_MAX + 1];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(engine.DecodeElement(text, SCRIPT_STRING, &e[5]), 1);
    EXPECT_STREQ(text, "");
    const int32_t smallest = INT32_MIN;
    engine.EncodeElement(&e[5], &smallest, SCRIPT_INTEGER);
    engine.DecodeElement(text, SCRIPT_STRING, &e[5]);
    EXPECT_STREQ(text, "-2147483648");
    const float huge = 3e38f;
    engine.EncodeElement(&e[5], &huge, SCRIPT_FLOAT);
    int32_t asInteger = 0;
    engine.DecodeElement(&asInteger, SCRIPT_INTEGER, &e[5]);
    EXPECT_EQ(asInteger, INT32_MAX);
    engine.DecodeElement(text, SCRIPT_STRING, &e[5]);
    EXPECT_LE(std::strlen(text), static_cast<std::size_t>(SCRIPT_NUMBER_TEXT_MAX - 1));
    EXPECT_EQ(engine.ClearElement(&e[5]), 1);
}

TEST_F(ScriptDll, SeveralScriptsFromMemory) {
    ASSERT_EQ(Run("who = \"file\"\n"), 0);
    const char source[] = "who = \"memory\"\nskipped = 1\nfunction Hi() { return 1 }\n";
    const int32_t second = engine.CreateScriptFromMemory(source, sizeof source - 1);
    ASSERT_NE(second, 0);
    ASSERT_EQ(engine.GetNextLine(), 1);
    EXPECT_EQ(engine.LineExec(), 1);
    EXPECT_EQ(engine.SkipLine(), 1);
    EXPECT_EQ(engine.GetNextLine(), 0);
    EXPECT_EQ(Global("who"), "3:memory");
    EXPECT_EQ(Global("skipped"), "missing");
    engine.DefragElement();
    EXPECT_EQ(engine.FunctionExec("Hi"), 1);
    const int32_t empty = engine.CreateScript();
    ASSERT_NE(empty, 0);
    EXPECT_EQ(engine.GetNextLine(), 0);
    EXPECT_EQ(engine.ReadScriptFileFromMemory("who = 3", 7), 1);
    EXPECT_EQ(engine.LineExec(), 1);
    EXPECT_EQ(Global("who"), "1:3");
    EXPECT_EQ(engine.SelectScript(1), 1);
    EXPECT_EQ(Global("who"), "3:file");
    EXPECT_EQ(engine.ReleaseScript(second), 1);
    EXPECT_EQ(engine.SelectScript(second), 0);
    EXPECT_EQ(engine.DestroyBuffer(), 1);
    EXPECT_EQ(Global("who"), "missing");
}

TEST_F(ScriptDll, BundledTestScriptsRun) {
    // tests/scripts/*.txt: each ends by setting passed = 1; Record reports a failed Check.
    const std::string scripts = ENGINE_TEST_SCRIPTS;
    for (const char* name : {"ReturnInfo", "SetSize", "SetDrawMode", "Draw", "SetName"})
        engine.SetUserFunction(name, Record);
    for (const char* name : {"language.txt", "thumbnail.txt"}) {
        std::string path = "Z:" + scripts + "/" + name;
        for (char& c : path)
            if (c == '/')
                c = '\\';
        ASSERT_EQ(engine.ReadScriptFile(path.c_str()), 1) << name << ": " << Error();
        Register();
        while (engine.GetNextLine() != 0)
            EXPECT_EQ(engine.LineExec(), 1) << name << ": " << Error();
        EXPECT_EQ(Global("passed"), "1:1") << name;
        EXPECT_TRUE(calls.empty()) << calls.front();
    }
    // The thumbnail's Main for a 1000 x 500 picture named 表.png.
    ASSERT_EQ(Call("Info", {}), 1);
    ScriptElement* arguments = engine.GetStackElement();
    const int32_t width = 1000, height = 500, index = 0;
    engine.EncodeElement(&arguments[0], &width, SCRIPT_INTEGER);
    engine.EncodeElement(&arguments[1], &height, SCRIPT_INTEGER);
    engine.EncodeElement(&arguments[2], "\x95\x5C.png", SCRIPT_STRING);
    engine.EncodeElement(&arguments[3], &index, SCRIPT_INTEGER);
    engine.DefragElement();
    ASSERT_EQ(engine.FunctionExec("Main"), 1) << Error();
    const std::vector<std::string> expected = {
        "3:Thumbnail 256 3:Tessavel 1:1 1:0 1:0 1:1 ", "1:256 1:128 ", "1:1 ",
        "1:0 1:0 1:1000 1:500 1:0 1:0 1:256 1:128 ", "3:\x95\x5C_thumb.jpg "};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(Global("count"), "1:1");
}

} // namespace
