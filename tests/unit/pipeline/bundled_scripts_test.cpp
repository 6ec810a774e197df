// The scripts shipped in the program directory's script folder, run for real.
#include "common/program_directory.h"
#include "imaging/canvas.h"
#include "scripthost/script_info.h"
#include "scripthost/script_runner.h"
#include "support/console_capture.h"
#include "support/temp_dir.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

namespace {

std::string WindowsPath(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return "Z:" + path;
}

const std::string kScripts = WindowsPath(TESSAVEL_BINARY_DIR "/bin/script");

struct Decoded {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t corner = 0; // top-left pixel, 0xRRGGBB
    std::string magic;
};

Decoded Decode(const std::string& path) {
    Decoded result;
    const std::string bytes = ReadFileBytes(path);
    result.magic = bytes.substr(0, 4);
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return result;
    Canvas canvas;
    if (canvas.LoadFile(path.c_str())) {
        result.width = canvas.info.bmiHeader.biWidth;
        result.height = canvas.info.bmiHeader.biHeight;
        const auto* pixels = static_cast<const uint32_t*>(canvas.bits);
        result.corner = pixels[(result.height - 1) * result.width] & 0xFFFFFF;
    }
    canvas.Release();
    Gdiplus::GdiplusShutdown(token);
    return result;
}

const std::string kPng = "\x89PNG";
const std::string kJpeg = "\xFF\xD8\xFF";

TEST(BundledScripts, EachDescribesItselfAndConvertsTheFolder) {
    ConsoleCapture console;
    ComputeProgramDirectory(); // the engine is looked for beside the test program
    TempDir source;
    const std::string fixtures = TestProgramDirectory() + "\\fixtures\\";
    ASSERT_TRUE(CopyFileA((fixtures + "red.png").c_str(), (source / "red.png").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((fixtures + "big.png").c_str(), (source / "big.png").c_str(), FALSE));

    struct Output {
        std::string name;
        int32_t width;
        int32_t height;
        std::string magic;
    };
    const std::map<std::string, std::vector<Output>> expected = {
        {"thumbnail_256.txt",
         {{"red_thumb.jpg", 40, 30, kJpeg}, {"big_thumb.jpg", 256, 128, kJpeg}}},
        {"half_size.txt", {{"red.png", 20, 15, kPng}, {"big.png", 256, 128, kPng}}},
        {"convert_to_png.txt", {{"red.png", 40, 30, kPng}, {"big.png", 512, 256, kPng}}},
        {"centred_on_background.txt",
         {{"red_framed.jpg", 640, 480, kJpeg}, {"big_framed.jpg", 640, 480, kJpeg}}},
        {"numbered_names.txt", {{"image_001.jpg", 0, 0, kJpeg}, {"image_002.jpg", 0, 0, kJpeg}}},
        {"thumbnail_tree.txt",
         {{"red_thumb.jpg", 40, 30, kJpeg}, {"big_thumb.jpg", 256, 128, kJpeg}}},
        {"exif_header.txt", {{"red_exif.jpg", 40, 30, kJpeg}, {"big_exif.jpg", 512, 256, kJpeg}}},
    };
    const std::string header = ReadFileBytes(kScripts + "\\exif_header.exif");
    ASSERT_GT(header.size(), 20u);

    for (const auto& [script, outputs] : expected) {
        SCOPED_TRACE(script);
        const std::string path = kScripts + "\\" + script;
        ASSERT_EQ(ReadScriptInfo(path.c_str(), RunScript), 1);
        EXPECT_STRNE(ScriptInfo.name, "Unknown");
        TempDir destination;
        ConsoleCapture::text.clear();
        RunTesrunWith({path, source.path, destination.path, "png", "null"});
        EXPECT_NE(ConsoleCapture::text.find("Finished.\n"), std::string::npos);
        EXPECT_EQ(ConsoleCapture::text.find("Failed."), std::string::npos) << ConsoleCapture::text;
        for (const Output& output : outputs) {
            SCOPED_TRACE(output.name);
            const Decoded decoded = Decode(destination / output.name);
            EXPECT_EQ(decoded.magic.substr(0, output.magic.size()), output.magic);
            if (output.width != 0) {
                EXPECT_EQ(decoded.width, output.width);
                EXPECT_EQ(decoded.height, output.height);
            } else {
                EXPECT_TRUE((decoded.width == 40 && decoded.height == 30) ||
                            (decoded.width == 512 && decoded.height == 256));
            }
            if (script == "centred_on_background.txt") {
                const uint32_t c = decoded.corner;
                EXPECT_NEAR(static_cast<int>(c >> 16), 16, 8);
                EXPECT_NEAR(static_cast<int>((c >> 8) & 0xFF), 32, 8);
                EXPECT_NEAR(static_cast<int>(c & 0xFF), 96, 8);
            }
            if (script == "exif_header.txt") {
                EXPECT_EQ(ReadFileBytes(destination / output.name).substr(0, header.size()),
                          header);
            }
        }
    }
}

} // namespace
