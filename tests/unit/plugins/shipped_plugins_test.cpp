// The Netpbm and TGA plug-ins we ship: pictures written by Netpbm and ImageMagick decode
// through the host to ImageMagick's own pixels; broken and truncated files are refused
// without reading past the memory they are given.
#include "imaging/canvas.h"
#include "pluginhost/plugin_decoder.h"
#include "pluginhost/plugin_set.h"
#include "plugin_test_support.h"
#include "plugins/include/susie_plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

std::string ImagesDirectory() {
    return TestProgramDirectory() + "\\plugin-images";
}

struct Picture {
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
    int bitCount = 0;
};

std::vector<Picture> Manifest() {
    std::vector<Picture> pictures;
    std::istringstream lines(ReadFileBytes(ImagesDirectory() + "\\manifest.txt"));
    Picture p;
    while (lines >> p.name >> p.width >> p.height >> p.bitCount)
        pictures.push_back(p);
    return pictures;
}

// ImageMagick's decode (16 bits a channel) rounded to 8 bits, as 0xRRGGBB, top row first.
std::vector<uint32_t> Reference(const std::string& name) {
    const std::string bytes = ReadFileBytes(ImagesDirectory() + "\\" + name + ".rgb16");
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i + 6 <= bytes.size(); i += 6) {
        uint32_t rgb = 0;
        for (size_t c = 0; c < 3; ++c) {
            const uint32_t q = static_cast<uint8_t>(bytes[i + 2 * c]) |
                               (static_cast<uint8_t>(bytes[i + 2 * c + 1]) << 8);
            rgb = (rgb << 8) | ((q + 128) / 257);
        }
        pixels.push_back(rgb);
    }
    return pixels;
}

std::string PluginFor(const std::string& name) {
    return name.ends_with(".tga") ? "iftga" SUSIE_PLUGIN_EXTENSION
                                  : "ifnetpbm" SUSIE_PLUGIN_EXTENSION;
}

struct ShippedPluginsTest : ::testing::Test {
    void SetUp() override { LoadPlugins(ProgramBinDirectory().c_str()); }
    void TearDown() override { UnloadPlugins(); }
};

TEST_F(ShippedPluginsTest, PicturesOfNetpbmAndImageMagickDecodeToImageMagicksPixels) {
    const auto pictures = Manifest();
    ASSERT_GE(pictures.size(), 30u) << "the pictures are written at build time";
    for (const Picture& picture : pictures) {
        SCOPED_TRACE(picture.name);
        HBITMAP bitmap = LoadThroughHost((ImagesDirectory() + "\\" + picture.name).c_str());
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION section;
        ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
        EXPECT_EQ(section.dsBmih.biBitCount, 32) << "the host holds every picture at 32 bits";
        int32_t width = 0;
        int32_t height = 0;
        auto pixels = PixelsOf(bitmap, &width, &height);
        DeleteObject(bitmap);
        EXPECT_EQ(width, picture.width);
        EXPECT_EQ(height, picture.height);
        const auto reference = Reference(picture.name);
        ASSERT_EQ(pixels.size(), reference.size());
        size_t differing = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            if ((pixels[i] & 0xFFFFFF) != reference[i] && differing++ < 3)
                ADD_FAILURE() << "pixel " << i % width << "," << i / width << ": " << std::hex
                              << (pixels[i] & 0xFFFFFF) << " instead of " << reference[i];
        }
        EXPECT_EQ(differing, 0u);
    }
}

// The way tesrun loads its input: Canvas::LoadFile asks the plug-ins first and converts
// what they deliver (1, 8, 24 or 32 bits) to the 32-bit Canvas. Wine's GDI+ reads neither
// format, so every picture here comes through a plug-in.
TEST_F(ShippedPluginsTest, FolderOfPicturesLoadsIntoThe32BitCanvasWithImageMagicksPixels) {
    Canvas canvas;
    for (const Picture& picture : Manifest()) {
        SCOPED_TRACE(picture.name);
        ASSERT_EQ(canvas.LoadFile((ImagesDirectory() + "\\" + picture.name).c_str()), 1);
        const BITMAPINFOHEADER& header = canvas.info.bmiHeader;
        ASSERT_EQ(header.biBitCount, 32);
        ASSERT_EQ(header.biWidth, picture.width);
        ASSERT_EQ(header.biHeight, picture.height) << "bottom-up";
        const auto reference = Reference(picture.name);
        ASSERT_EQ(reference.size(), static_cast<size_t>(picture.width) * picture.height);
        const auto* bits = static_cast<const uint32_t*>(canvas.bits);
        size_t differing = 0;
        for (int32_t y = 0; y < picture.height; ++y)
            for (int32_t x = 0; x < picture.width; ++x)
                differing +=
                    (bits[static_cast<size_t>(picture.height - 1 - y) * picture.width + x] &
                     0xFFFFFF) != reference[static_cast<size_t>(y) * picture.width + x];
        EXPECT_EQ(differing, 0u);
    }
}

TEST_F(ShippedPluginsTest, TruncatedFilesAreRefusedWithoutReadingPastTheirEnd) {
    for (const Picture& picture : Manifest()) {
        SCOPED_TRACE(picture.name);
        ShippedPlugin plugin(PluginFor(picture.name));
        ASSERT_NE(plugin.getPicture, nullptr);
        const std::string bytes = ReadFileBytes(ImagesDirectory() + "\\" + picture.name);
        for (size_t length = 0; length < bytes.size(); ++length) {
            GuardedBytes image(bytes.substr(0, length));
            HLOCAL info = nullptr;
            HLOCAL pixels = nullptr;
            const int result = plugin.getPicture(reinterpret_cast<LPCSTR>(image.data),
                                                 static_cast<LONG_PTR>(length), SUSIE_INPUT_MEMORY,
                                                 &info, &pixels, nullptr, 0);
            if (result == 0) {
                LocalFree(info);
                LocalFree(pixels);
            }
            // A cut inside the last number of a plain file, or inside a trailer, still decodes.
            if (length < bytes.size() * 9 / 10) {
                ASSERT_NE(result, 0) << "cut at " << length << " of " << bytes.size();
            }
        }
    }
}

TEST_F(ShippedPluginsTest, DamagedFilesNeverReadPastTheirEnd) {
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (const Picture& picture : Manifest()) {
        SCOPED_TRACE(picture.name);
        ShippedPlugin plugin(PluginFor(picture.name));
        const std::string original = ReadFileBytes(ImagesDirectory() + "\\" + picture.name);
        for (int round = 0; round < 200; ++round) {
            std::string bytes = original;
            for (int k = 0; k < 3; ++k) {
                // Mostly the header, where sizes and kinds live.
                const size_t at =
                    (next() >> 8) %
                    (round % 2 == 0 ? std::min<size_t>(bytes.size(), 32) : bytes.size());
                bytes[at] = static_cast<char>(next() >> 16);
            }
            GuardedBytes image(bytes);
            HLOCAL info = nullptr;
            HLOCAL pixels = nullptr;
            if (plugin.getPicture(reinterpret_cast<LPCSTR>(image.data),
                                  static_cast<LONG_PTR>(bytes.size()), SUSIE_INPUT_MEMORY, &info,
                                  &pixels, nullptr, 0) == 0) {
                LocalFree(info);
                LocalFree(pixels);
            }
        }
    }
}

TEST_F(ShippedPluginsTest, HeadersThatLieAboutTheirSizeAreRefused) {
    ShippedPlugin netpbm("ifnetpbm" SUSIE_PLUGIN_EXTENSION);
    ShippedPlugin tga("iftga" SUSIE_PLUGIN_EXTENSION);
    struct Case {
        ShippedPlugin* plugin;
        std::string bytes;
    };
    const Case cases[] = {
        {&netpbm, "P6\n2147483647 2147483647\n255\n\x01\x02\x03"},
        {&netpbm, "P5 65536 65536 65535 \x01\x02"},
        {&netpbm, "P2 3 1 255 1 2"},
        {&netpbm, "P3 1 1 255 1 2 99999"},
        {&netpbm, "P1 2 1 0 2"},
        {&netpbm, "P5 1 1 0 \x01"},
        {&netpbm, std::string("P4 0 1 \x01", 8)},
        {&tga, std::string("\0\0\x0A\0\0\0\0\0\0\0\0\0\xFF\xFF\xFF\xFF\x20\0\xFF\0\0\0\0", 23)},
        {&tga, std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\x10\0\x10\0\x18\0\x01\x02\x03", 21)},
        {&tga, std::string("\0\x01\x01\0\0\0\x01\x18\0\0\0\0\x01\0\x01\0\x08\0\x01\x02", 20)},
    };
    for (const Case& c : cases) {
        GuardedBytes image(c.bytes);
        HLOCAL info = nullptr;
        HLOCAL pixels = nullptr;
        EXPECT_NE(c.plugin->getPicture(reinterpret_cast<LPCSTR>(image.data),
                                       static_cast<LONG_PTR>(c.bytes.size()), SUSIE_INPUT_MEMORY,
                                       &info, &pixels, nullptr, 0),
                  0)
            << c.bytes.substr(0, 12);
    }
}

TEST_F(ShippedPluginsTest, PluginInfoAndHeadsOfOtherFormats) {
    ShippedPlugin netpbm("ifnetpbm" SUSIE_PLUGIN_EXTENSION);
    ShippedPlugin tga("iftga" SUSIE_PLUGIN_EXTENSION);
    for (ShippedPlugin* plugin : {&netpbm, &tga}) {
        ASSERT_NE(plugin->getPluginInfo, nullptr);
        char text[64];
        EXPECT_EQ(plugin->getPluginInfo(0, text, sizeof text), 4);
        EXPECT_STREQ(text, "00IN");
        EXPECT_GT(plugin->getPluginInfo(2, text, sizeof text), 0);
        EXPECT_EQ(text[0], '*');
        char small[3] = {'x', 'x', 'x'};
        EXPECT_EQ(plugin->getPluginInfo(1, small, sizeof small), 2)
            << "cut to the buffer, terminated";
        EXPECT_EQ(small[2], '\0');
        EXPECT_EQ(plugin->getPluginInfo(4, text, sizeof text), 0);
    }
    char patterns[64];
    netpbm.getPluginInfo(2, patterns, sizeof patterns);
    EXPECT_STREQ(patterns, "*.pbm;*.pgm;*.ppm;*.pnm");

    // Heads of formats GDI+ decodes must be left to it.
    const char* others[] = {"\x89PNG\r\n\x1A\n", "\xFF\xD8\xFF\xE0", "BM6\0\0\0", "GIF89a",
                            "II*\0"};
    for (const char* head : others) {
        unsigned char buffer[SUSIE_HEAD_SIZE] = {};
        std::memcpy(buffer, head, std::strlen(head));
        EXPECT_EQ(netpbm.isSupported(nullptr, reinterpret_cast<ULONG_PTR>(buffer)), 0) << head;
        EXPECT_EQ(tga.isSupported(nullptr, reinterpret_cast<ULONG_PTR>(buffer)), 0) << head;
    }
}

TEST_F(ShippedPluginsTest, OnlyAPluginThatHandsRowsOverIsTakenForThem) {
    int bound = 0;
    for (int32_t i = 0; i < PluginSet.count; ++i) {
        char path[MAX_PATH] = {};
        if (PluginSet.modules[i] == nullptr ||
            GetModuleFileNameA(PluginSet.modules[i], path, sizeof path) == 0)
            continue;
        const std::string name = std::strrchr(path, '\\') + 1;
        const PluginExports& plugin = PluginSet.exports[i];
        if (name == "ifjpeg" SUSIE_PLUGIN_EXTENSION) {
            EXPECT_NE(plugin.scaledRows, nullptr);
            ++bound;
        } else if (name == "ifpng" SUSIE_PLUGIN_EXTENSION ||
                   name == "ifwebp" SUSIE_PLUGIN_EXTENSION) {
            EXPECT_NE(plugin.scaled, nullptr) << name;
            EXPECT_EQ(plugin.scaledRows, nullptr) << name << " decodes its pictures whole";
            ++bound;
        }
    }
    EXPECT_EQ(bound, 3);
}

TEST_F(ShippedPluginsTest, OlderHostsFileHandleIsReadForTheHead) {
    for (const Picture& picture : Manifest()) {
        ShippedPlugin plugin(PluginFor(picture.name));
        HANDLE file =
            CreateFileA((ImagesDirectory() + "\\" + picture.name).c_str(), GENERIC_READ,
                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(plugin.isSupported(picture.name.c_str(), reinterpret_cast<ULONG_PTR>(file)), 1)
            << picture.name;
        CloseHandle(file);
    }
}

TEST_F(ShippedPluginsTest, FileInputAndPictureInfoAgreeWithTheMemoryImage) {
    for (const Picture& picture : Manifest()) {
        SCOPED_TRACE(picture.name);
        ShippedPlugin plugin(PluginFor(picture.name));
        const std::string path = ImagesDirectory() + "\\" + picture.name;
        const std::string bytes = ReadFileBytes(path);
        SusiePictureInfo info = {};
        ASSERT_EQ(plugin.getPictureInfo(bytes.data(), static_cast<LONG_PTR>(bytes.size()),
                                        SUSIE_INPUT_MEMORY, &info),
                  0);
        EXPECT_EQ(info.width, picture.width);
        EXPECT_EQ(info.height, picture.height);
        EXPECT_EQ(info.colorDepth, picture.bitCount);
        EXPECT_EQ(info.hInfo, nullptr);

        HLOCAL fromMemory[2] = {};
        HLOCAL fromFile[2] = {};
        ASSERT_EQ(plugin.getPicture(bytes.data(), static_cast<LONG_PTR>(bytes.size()),
                                    SUSIE_INPUT_MEMORY, &fromMemory[0], &fromMemory[1], nullptr, 0),
                  0);
        ASSERT_EQ(plugin.getPicture(path.c_str(), 0, SUSIE_INPUT_FILE, &fromFile[0], &fromFile[1],
                                    nullptr, 0),
                  0);
        for (int block = 0; block < 2; ++block) {
            ASSERT_EQ(LocalSize(fromMemory[block]), LocalSize(fromFile[block]));
            EXPECT_EQ(std::memcmp(LocalLock(fromMemory[block]), LocalLock(fromFile[block]),
                                  LocalSize(fromFile[block])),
                      0);
            LocalUnlock(fromMemory[block]);
            LocalUnlock(fromFile[block]);
            LocalFree(fromMemory[block]);
            LocalFree(fromFile[block]);
        }
    }
}

} // namespace
