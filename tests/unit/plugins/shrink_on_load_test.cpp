// Shrink-on-load with the scaled probe: which decode a Draw is served from, and what a
// decode again that fails does to the image.
#include "common/failure_note.h"
#include "imaging/canvas.h"
#include "pluginhost/plugin_set.h"
#include "imaging/source_draw.h"
#include "plugin_test_support.h"
#include "support/console_capture.h"

#include <gtest/gtest.h>

namespace {

// A 64 x 48 picture for the scaled probe, whose pixels' blue byte is the denominator they
// were decoded at; the decode at failsAt fails.
std::string ScaledPicture(int32_t failsAt = 0) {
    ProbeFile file;
    file.acceptMask = 16;
    file.result = failsAt;
    file.info = BytesOf(MakeHeader(64, 48, 24));
    return ProbeFileBytes(file);
}

struct ShrinkOnLoad : ::testing::Test {
    TempDir plugins;
    TempDir images;
    void SetUp() override {
        ASSERT_TRUE(InstallProbe(plugins, "scaled", "scaled.sph"));
        LoadPlugins(plugins.path.c_str());
        SpeculativeDenominator = 8;
    }
    void TearDown() override {
        SourceCanvas.Release();
        TargetCanvas.Release();
        UnloadPlugins();
    }
    void Load(const std::string& bytes) {
        WriteFileBytes(images / "a.tsp", bytes);
        ASSERT_TRUE(SourceCanvas.LoadFile((images / "a.tsp").c_str()));
    }
};

TEST_F(ShrinkOnLoad, LoadsAtTheLastDrawsScaleAndTellsTheFullSize) {
    Load(ScaledPicture());
    EXPECT_EQ(SourceCanvas.source.width, 64);
    EXPECT_EQ(SourceCanvas.source.height, 48);
    EXPECT_EQ(SourceCanvas.source.denominator, 8);
    EXPECT_EQ(SourceCanvas.info.bmiHeader.biWidth, 8);
    EXPECT_EQ(SourceCanvas.info.bmiHeader.biHeight, 6);
}

TEST_F(ShrinkOnLoad, EachDrawIsServedFromTheCoarsestDecodeThatKeepsItsPixels) {
    struct Case {
        const char* what;
        int mode;
        int32_t v[8];
        int denominator;
    };
    const Case cases[] = {
        {"the whole to an eighth", HALFTONE, {0, 0, 64, 48, 0, 0, 8, 6}, 8},
        {"the whole to a quarter", HALFTONE, {0, 0, 64, 48, 0, 0, 16, 12}, 4},
        {"one column more than a quarter", HALFTONE, {0, 0, 64, 48, 0, 0, 17, 12}, 2},
        {"a quarter of the picture", HALFTONE, {32, 24, 32, 24, 0, 0, 8, 6}, 4},
        {"mirrored onto the output", HALFTONE, {0, 0, 64, 48, 8, 0, -8, 6}, 8},
        {"a mirrored source", HALFTONE, {64, 0, -64, 48, 0, 0, 8, 6}, 1},
        {"a rectangle reaching outside", HALFTONE, {0, 0, 65, 48, 0, 0, 8, 6}, 1},
        {"an enlargement", HALFTONE, {0, 0, 8, 6, 0, 0, 16, 12}, 1},
        {"whole pixels", COLORONCOLOR, {0, 0, 64, 48, 0, 0, 8, 6}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Load(ScaledPicture());
        ASSERT_TRUE(TargetCanvas.Create(17, 12, 32));
        SetStretchBltMode(TargetCanvas.dc, c.mode);
        EXPECT_NE(DrawSource(c.v), 0);
        EXPECT_EQ(SourceCanvas.source.denominator, c.denominator);
        EXPECT_EQ(GetBValue(GetPixel(TargetCanvas.dc, 1, 1)), c.denominator);
        EXPECT_EQ(SpeculativeDenominator, c.denominator) << "the next image's first guess";
    }
}

TEST_F(ShrinkOnLoad, AFilteredDrawKeepsTwiceTheDestinationsPixels) {
    struct Case {
        const char* what;
        int32_t v[8];
        int denominator;
    };
    const Case cases[] = {
        {"the whole to an eighth", {0, 0, 64, 48, 0, 0, 8, 6}, 4},
        {"the whole to a quarter", {0, 0, 64, 48, 0, 0, 16, 12}, 2},
        {"a mirrored source", {63, 0, -64, 48, 0, 0, 8, 6}, 4},
        {"mirrored onto the output", {0, 47, 64, -48, 0, 0, 8, 6}, 4},
        {"a rectangle reaching outside", {0, 0, 65, 48, 0, 0, 8, 6}, 1},
        {"an enlargement", {0, 0, 8, 6, 0, 0, 16, 12}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Load(ScaledPicture());
        ASSERT_TRUE(TargetCanvas.Create(17, 12, 32));
        EXPECT_EQ(DrawSourceFiltered(c.v, ResampleFilter::Lanczos3), 1);
        EXPECT_EQ(SourceCanvas.source.denominator, c.denominator);
        EXPECT_EQ(GetBValue(GetPixel(TargetCanvas.dc, 1, 1)), c.denominator);
    }
}

TEST_F(ShrinkOnLoad, ADecodeAgainThatFailsFailsTheImageAfterMain) {
    Load(ScaledPicture(1));
    ASSERT_TRUE(TargetCanvas.Create(8, 6, 32));
    const int32_t v[8] = {0, 0, 64, 48, 0, 0, 8, 6};
    EXPECT_EQ(DrawSource(v), 0);
    EXPECT_TRUE(SourceCanvas.source.lost);
    EXPECT_STREQ(FailureNote(),
                 "decoding it again at full size failed (out of memory, or above the pixel limit)");

    SourceCanvas.Release();
    UnloadPlugins();
    WriteFileBytes(images / "script.txt", "function Main(width, height, name, index) {\n"
                                          "    SetSize(8, 6)\n"
                                          "    Draw(0, 0, width, height, 0, 0, 8, 6)\n"
                                          "    SetName(\"out.bmp\")\n"
                                          "}\n");
    TempDir out;
    ConsoleCapture console;
    RunTesrunWith({images / "script.txt", images.path, out.path, "tsp", plugins.path});
    EXPECT_NE(ConsoleCapture::text.find("1/1\ta.tsp\nFailed.\nFinished."), std::string::npos)
        << ConsoleCapture::text;
    EXPECT_EQ(GetFileAttributesA((out / "out.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
