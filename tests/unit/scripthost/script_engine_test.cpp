#include "scripthost/script_engine.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

std::string EnginePath(const char* variant) {
    return TestProgramDirectory() + "\\binding\\" + variant + "\\binding_engine_" + variant +
           ".dll";
}

bool ModuleIsLoaded(const char* variant) {
    return GetModuleHandleA((std::string("binding_engine_") + variant + ".dll").c_str()) != nullptr;
}

TEST(ScriptEngineBinding, BindsEveryEntryPointToItsOwnExport) {
    ScriptEngine engine;
    ASSERT_EQ(engine.Load(EnginePath("full").c_str()), 1);
    ASSERT_NE(engine.module, nullptr);
    EXPECT_EQ(engine.ResetErrorState(), 1);
    EXPECT_EQ(engine.GetErrorState(nullptr, 0), 2);
    EXPECT_EQ(engine.CreateScript(), 3);
    EXPECT_EQ(engine.CreateScriptFromMemory("", 0), 4);
    EXPECT_EQ(engine.SelectScript(1), 5);
    EXPECT_EQ(engine.ReleaseScript(1), 6);
    EXPECT_EQ(engine.ReadScriptFile("x"), 7);
    EXPECT_EQ(engine.ReadScriptFileFromMemory("", 0), 8);
    EXPECT_EQ(engine.DestroyBuffer(), 9);
    EXPECT_NE(engine.GetElement("x"), nullptr);
    EXPECT_NE(engine.GetStackElement(), nullptr);
    EXPECT_EQ(engine.SetUserFunction("x", nullptr), 12);
    EXPECT_EQ(engine.GetNextLine(), 13);
    EXPECT_EQ(engine.SkipLine(), 14);
    EXPECT_EQ(engine.LineExec(), 15);
    EXPECT_EQ(engine.FunctionExec("x"), 16);
    EXPECT_EQ(engine.DefragElement(), 17);
    EXPECT_EQ(engine.DecodeElement(nullptr, 1, nullptr), 18);
    EXPECT_EQ(engine.EncodeElement(nullptr, nullptr, 1), 19);
    EXPECT_EQ(engine.ClearElement(nullptr), 20);
    EXPECT_EQ(engine.ReturnElement(nullptr, 1), 21);
}

TEST(ScriptEngineBinding, ModuleIsFreedWhenTheBindingGoesOutOfScope) {
    {
        ScriptEngine engine;
        ASSERT_EQ(engine.Load(EnginePath("full").c_str()), 1);
        EXPECT_TRUE(ModuleIsLoaded("full"));
    }
    EXPECT_FALSE(ModuleIsLoaded("full"));
}

TEST(ScriptEngineBinding, UnloadEmptiesEveryEntry) {
    ScriptEngine engine;
    ASSERT_EQ(engine.Load(EnginePath("full").c_str()), 1);
    engine.Unload();
    EXPECT_FALSE(ModuleIsLoaded("full"));
    EXPECT_EQ(engine.module, nullptr);
    EXPECT_EQ(engine.LineExec, nullptr);
    EXPECT_EQ(engine.ReturnElement, nullptr);
    engine.Unload(); // nothing loaded: nothing to free
}

TEST(ScriptEngineBinding, MissingModuleFailsCleanly) {
    ScriptEngine engine;
    EXPECT_EQ(engine.Load((TestProgramDirectory() + "\\no-such-engine.dll").c_str()), 0);
    EXPECT_EQ(engine.module, nullptr);
    EXPECT_EQ(engine.FunctionExec, nullptr);
}

TEST(ScriptEngineBinding, MissingExportLeavesOnlyThatEntryEmpty) {
    ScriptEngine engine;
    ASSERT_EQ(engine.Load(EnginePath("partial").c_str()), 1);
    EXPECT_EQ(engine.SkipLine, nullptr);
    EXPECT_NE(engine.GetStackElement, nullptr);
    EXPECT_EQ(engine.LineExec(), 15);
}

TEST(ScriptElementLayout, ValueWordThenTypeThenEngineBytes) {
#if defined(_WIN64)
    EXPECT_EQ(sizeof(ScriptElement), 48u);
    EXPECT_EQ(offsetof(ScriptElement, type), 8u);
#else
    EXPECT_EQ(sizeof(ScriptElement), 44u);
    EXPECT_EQ(offsetof(ScriptElement, type), 4u);
#endif
}

} // namespace
