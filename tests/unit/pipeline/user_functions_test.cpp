// The ten user functions as scripts call them, through the real engine.
#include "imaging/canvas.h"
#include "scripthost/conversion_settings.h"
#include "scripthost/script_info.h"
#include "script_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using Reports = std::vector<std::string>;

uint32_t PixelAt(const Canvas& canvas, int x, int yFromTop) {
    const auto& header = canvas.info.bmiHeader;
    const int row = header.biHeight > 0 ? header.biHeight - 1 - yFromTop : yFromTop;
    return static_cast<const uint32_t*>(canvas.bits)[row * header.biWidth + x] & 0xFFFFFF;
}

TEST(UserFunctions, FormatThroughTheEngine) {
    ScriptHarness script;
    ASSERT_TRUE(script.Load(R"(
function Test() {
    Report(Format("%d%%", 5))
    Report(Format("no conversions %% here"))
    Report(Format(""))
    Report(Format("%s", 5))
    Report(Format("%nf%d", 4))
    Report(Format("%5.1f", 2.5))
    Report(Format("%s-%03d", "frame", 7))
    Report(Format("%d", "text"))
    return 1
}
function TooLong() { Report(Format("%2000d", 1)) }
)"));
    ASSERT_NE(script.Call("Test"), 0);
    ASSERT_EQ(ScriptHarness::reports.size(), 8u);
    EXPECT_EQ(ScriptHarness::reports[0], "5%");
    EXPECT_EQ(ScriptHarness::reports[1], "no conversions % here");
    EXPECT_EQ(ScriptHarness::reports[2], "");
    EXPECT_EQ(ScriptHarness::reports[3], "(null)");
    EXPECT_EQ(ScriptHarness::reports[4], "f4");
    EXPECT_EQ(ScriptHarness::reports[5], "  2.5");
    EXPECT_EQ(ScriptHarness::reports[6], "frame-007");
    EXPECT_EQ(ScriptHarness::reports[7].find_first_not_of("-0123456789"), std::string::npos);
    EXPECT_NE(ScriptHarness::reports[7], "0");
    ScriptHarness::reports.clear();
    EXPECT_EQ(script.Call("TooLong"), 0) << "a result over 1023 bytes fails the call";
    EXPECT_TRUE(ScriptHarness::reports.empty());
}

TEST(UserFunctions, DoSubroutineCallsTheFunctionWithTheFurtherArguments) {
    ScriptHarness script;
    ASSERT_TRUE(script.Load(R"(
function F(a, b) { Report(a * 10 + b); return 1 }
function G(x) { DoSubroutine("F", x, x + 1) }
function Test() {
    DoSubroutine("F", 1, 2)
    DoSubroutine("G", 4)
    Report(type(DoSubroutine("F", 3, 5)))
    return 1
}
function Missing() { DoSubroutine("NoSuchFunction", 1) }
)"));
    ASSERT_NE(script.Call("Test"), 0);
    EXPECT_EQ(ScriptHarness::reports, (Reports{"12", "45", "35", "empty"}));
    EXPECT_EQ(script.Call("Missing"), 0) << "FunctionExec's failure reaches the engine";
}

TEST(UserFunctions, CanvasFunctions) {
    ScriptHarness script;
    ASSERT_TRUE(script.Load(R"(
function Fill() {
    Report(SetSize(3, 2))
    Report(SetBackGround(256, 0, 511))
    return 1
}
function ModeLostBySetSize() {
    Report(SetDrawMode(1))
    SetSize(2, 2)
    return 1
}
function Modes() {
    Report(SetDrawMode(0))
    Report(SetDrawMode(2))
    return 1
}
function BadSize() { Report(SetSize(0, 5)) }
)"));
    ASSERT_NE(script.Call("Fill"), 0);
    EXPECT_EQ(ScriptHarness::reports, (Reports{"1", "1"}));
    ASSERT_NE(TargetCanvas.bits, nullptr);
    EXPECT_EQ(TargetCanvas.info.bmiHeader.biWidth, 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(PixelAt(TargetCanvas, x, y), 0x0000FFu) << "blue 255, red and green 0";

    ASSERT_NE(script.Call("ModeLostBySetSize"), 0);
    EXPECT_EQ(GetStretchBltMode(TargetCanvas.dc), BLACKONWHITE) << "a new dc has the default";

    ScriptHarness::reports.clear();
    ASSERT_NE(script.Call("Modes"), 0);
    EXPECT_EQ(ScriptHarness::reports, (Reports{"1", "0"}));
    EXPECT_EQ(GetStretchBltMode(TargetCanvas.dc), COLORONCOLOR) << "mode 2 changes nothing";

    ScriptHarness::reports.clear();
    ASSERT_NE(script.Call("BadSize"), 0);
    EXPECT_EQ(ScriptHarness::reports, (Reports{"0"}));
}

TEST(UserFunctions, DrawStretchesUnderTheChosenMode) {
    // A 16 x 16 source of one-pixel black and white stripes, shrunk to 10 x 10:
    // COLORONCOLOR keeps whole pixels, HALFTONE mixes neighbours into greys.
    ASSERT_EQ(SourceCanvas.Create(16, 16, 32), 1);
    auto* pixels = static_cast<uint32_t*>(SourceCanvas.bits);
    for (int i = 0; i < 16 * 16; ++i)
        pixels[i] = (i % 2) ? 0xFFFFFFFFu : 0xFF000000u;
    ScriptHarness script;
    ASSERT_TRUE(script.Load(R"(
function Shrink(mode) {
    SetSize(10, 10)
    SetDrawMode(mode)
    Report(Draw(0, 0, 16, 16, 0, 0, 10, 10))
    return 1
}
function Part() {
    SetSize(4, 4)
    Draw(1, 0, 1, 16, 2, 0, 2, 4)
    return 1
}
)"));
    auto shrink = [&](int mode) {
        ScriptElement argument{};
        argument.value.integer = mode;
        argument.type = SCRIPT_INTEGER;
        ScriptHarness::reports.clear();
        EXPECT_NE(CallScriptFunction("Shrink", &argument, 1), 0);
        EXPECT_EQ(ScriptHarness::reports, (Reports{"1"}));
    };
    auto greys = [] {
        int count = 0;
        for (int x = 0; x < 10; ++x) {
            const uint32_t p = PixelAt(TargetCanvas, x, 3);
            count += p != 0 && p != 0xFFFFFF;
        }
        return count;
    };
    shrink(0);
    EXPECT_EQ(greys(), 0);
    shrink(1);
    EXPECT_GE(greys(), 4);
    ASSERT_NE(script.Call("Part"), 0);
    EXPECT_EQ(PixelAt(TargetCanvas, 0, 0), 0u) << "left of the destination: untouched";
    EXPECT_EQ(PixelAt(TargetCanvas, 2, 1), 0xFFFFFFu) << "source column 1 is white";
    EXPECT_EQ(PixelAt(TargetCanvas, 3, 2), 0xFFFFFFu);
}

TEST(UserFunctions, SettingsAndTheirLimits) {
    ScriptHarness script;
    ASSERT_TRUE(script.Load(R"(
function Quality() {
    Report(SetQuality(100))
    Report(SetQuality(101))
    Report(SetQuality(-1))
    Report(SetQuality(0))
    return 1
}
function Names(n) {
    SetName(Format("%0" + str(n) + "d", 7))
    SetExifHeaderFile("h" + Format("%0" + str(n - 1) + "d", 8))
    return 1
}
function Describe(n) {
    name = ""
    for i = 2 to n { name = name + "0" }
    ReturnInfo(name + "1", "me", 1, 2, 3, 4)
    return 1
}
)"));
    ConversionSettings.quality = 75;
    ASSERT_NE(script.Call("Quality"), 0);
    EXPECT_EQ(ScriptHarness::reports, (Reports{"1", "0", "0", "1"}));
    EXPECT_EQ(ConversionSettings.quality, 0);

    auto call = [](const char* function, int n) {
        ScriptElement argument{};
        argument.value.integer = n;
        argument.type = SCRIPT_INTEGER;
        return CallScriptFunction(function, &argument, 1);
    };
    ASSERT_NE(call("Names", 259), 0);
    EXPECT_EQ(std::string(ConversionSettings.outputName), std::string(258, '0') + "7");
    EXPECT_EQ(std::string(ConversionSettings.exifHeaderFile), "h" + std::string(257, '0') + "8");
    EXPECT_EQ(call("Names", 260), 0) << "a name of 260 bytes is refused";
    EXPECT_EQ(std::string(ConversionSettings.outputName), std::string(258, '0') + "7");

    ASSERT_NE(call("Describe", 1023), 0);
    EXPECT_EQ(std::string(ScriptInfo.name), std::string(1022, '0') + "1");
    EXPECT_EQ(ScriptInfo.version[3], 4u);
    EXPECT_EQ(call("Describe", 1024), 0);
    EXPECT_EQ(std::string(ScriptInfo.name), std::string(1022, '0') + "1");
}

TEST(UserFunctions, CallScriptFunctionPassesItsArguments) {
    ScriptHarness script;
    ASSERT_TRUE(script.Load(R"(
function Main(width, height, name, index) {
    Report(Format("%d x %d, %s, %d", width, height, name, index))
    return 1
}
function NoArguments() { Report("called"); return 1 }
)"));
    ScriptElement arguments[4] = {};
    arguments[0].value.integer = 640;
    arguments[0].type = SCRIPT_INTEGER;
    arguments[1].value.integer = 480;
    arguments[1].type = SCRIPT_INTEGER;
    arguments[2].value.text = "photo.jpg";
    arguments[2].type = SCRIPT_STRING;
    arguments[3].value.integer = 2;
    arguments[3].type = SCRIPT_INTEGER;
    ASSERT_NE(CallScriptFunction("Main", arguments, 4), 0);
    ASSERT_NE(script.Call("NoArguments"), 0);
    EXPECT_EQ(ScriptHarness::reports, (Reports{"640 x 480, photo.jpg, 2", "called"}));
    EXPECT_EQ(CallScriptFunction("NoSuchFunction", nullptr, 0), 0);
    ScriptElement seventeen[17] = {};
    EXPECT_EQ(CallScriptFunction("Main", seventeen, 17), 0);
}

} // namespace
