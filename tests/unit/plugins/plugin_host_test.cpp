// The Susie plug-in host: loading the set, asking and choosing the plug-ins, and taking
// their blocks apart safely, with the probe plug-ins of tests/plugins.
#include "common/allocator.h"
#include "pluginhost/plugin_decoder.h"
#include "pluginhost/plugin_set.h"
#include "plugin_test_support.h"

#include <gtest/gtest.h>

namespace {

struct PluginHostTest : ::testing::Test {
    TempDir plugins;
    TempDir images;
    void TearDown() override {
        PlanAllocationFailure(-1);
        UnloadPlugins();
    }
    std::string WriteImage(const std::string& name, const std::string& bytes) {
        WriteFileBytes(images / name, bytes);
        return images / name;
    }
    // The loaded probe whose file has this name.
    ProbeRecord* Probe(const std::string& name) {
        for (int32_t i = 0; i < PluginSet.count; ++i) {
            char path[MAX_PATH] = {};
            if (PluginSet.modules[i] != nullptr &&
                GetModuleFileNameA(PluginSet.modules[i], path, MAX_PATH - 1) != 0 &&
                std::string(path).ends_with("\\" + name))
                return ProbeOf(PluginSet.modules[i]);
        }
        return nullptr;
    }
};

constexpr int32_t kNoPluginTakes = -1;

// GetPluginPicture over the probe file's bytes (zero-padded as the host pads them); the
// pixel copy, when there is one, comes back as a string.
int32_t PictureOf(const ProbeFile& file, PluginPictureInfo* info, std::string* copy = nullptr) {
    const std::string bytes = ProbeFileBytes(file) + std::string(2048, '\0');
    const auto* image = reinterpret_cast<const unsigned char*>(bytes.data());
    const PluginExports* plugin = FindPluginFor(image);
    if (plugin == nullptr)
        return kNoPluginTakes;
    unsigned char* pixels = nullptr;
    const int32_t result =
        GetPluginPicture(*plugin, image, static_cast<uint32_t>(bytes.size() - 2048), info, &pixels);
    uint32_t size = 0;
    if (result == 0 && copy != nullptr && PluginPixelBytes(info->header, &size))
        copy->assign(reinterpret_cast<char*>(pixels), size);
    if (result == 0)
        FreeStorage(pixels);
    return result;
}

// A 2 x 2 picture of 24 bits: rows of 8 bytes.
ProbeFile SmallPicture() {
    ProbeFile file;
    file.info = BytesOf(MakeHeader(2, 2, 24));
    file.pixels = std::string("\x01\x02\x03\x04\x05\x06\0\0\x07\x08\x09\x0A\x0B\x0C\0\0", 16);
    return file;
}

TEST_F(PluginHostTest, DirectoryWithoutPluginsGivesEmptySetAndNoPicture) {
    WriteFileBytes(plugins / "readme.txt", "not a plug-in");
    LoadPlugins(plugins.path.c_str());
    EXPECT_EQ(PluginSet.count, 0);
    EXPECT_EQ(PluginSet.modules, nullptr);
    const unsigned char head[SUSIE_HEAD_SIZE] = {};
    EXPECT_EQ(FindPluginFor(head), nullptr);
    EXPECT_EQ(LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(SmallPicture())).c_str()),
              nullptr);
    UnloadPlugins();
    EXPECT_EQ(PluginSet.count, 0);
}

TEST_F(PluginHostTest, FileThatIsNoModuleTakesACountedEmptySlot) {
    WriteFileBytes(plugins / "broken.sph", std::string(4096, 'x'));
    ASSERT_TRUE(InstallProbe(plugins, "first", "good.sph"));
    LoadPlugins(plugins.path.c_str());
    ASSERT_EQ(PluginSet.count, 2);
    const auto order = SearchOrder(plugins, "*.sph");
    ASSERT_EQ(order.size(), 2u);
    for (int32_t i = 0; i < 2; ++i)
        EXPECT_EQ(PluginSet.modules[i] == nullptr, order[i] == "broken.sph") << order[i];

    HBITMAP bitmap = LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(SmallPicture())).c_str());
    ASSERT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
}

TEST_F(PluginHostTest, ModuleNamedOutsideTheCodePageTakesAnEmptySlot) {
    // café.sph: the ANSI search would show it as cafe.sph, which names another module.
    ASSERT_TRUE(InstallProbe(plugins, "first", "cafe.sph"));
    const std::string second = ProbeModulePath("second");
    const std::wstring wide =
        std::wstring(plugins.path.begin(), plugins.path.end()) + L"\\caf\u00e9.sph";
    ASSERT_TRUE(CopyFileW(std::wstring(second.begin(), second.end()).c_str(), wide.c_str(), FALSE));
    LoadPlugins(plugins.path.c_str());
    ASSERT_EQ(PluginSet.count, 2);
    int loaded = 0;
    for (int32_t i = 0; i < 2; ++i) {
        if (PluginSet.modules[i] != nullptr) {
            ++loaded;
            char name[MAX_PATH] = {};
            GetModuleFileNameA(PluginSet.modules[i], name, MAX_PATH);
            EXPECT_NE(std::string(name).find("cafe.sph"), std::string::npos) << name;
        }
    }
    EXPECT_EQ(loaded, 1);
}

TEST_F(PluginHostTest, OnlyModulesWithThisBuildsExtensionAreLoaded) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    ASSERT_TRUE(InstallProbe(plugins, "second", "b.spi"));
    ASSERT_TRUE(InstallProbe(plugins, "second", "c.dll"));
    LoadPlugins(plugins.path.c_str());
    ASSERT_EQ(PluginSet.count, 1);
    EXPECT_NE(Probe("a.sph"), nullptr);
}

TEST_F(PluginHostTest, ModuleWithoutIsSupportedIsSkippedByBothSearches) {
    ASSERT_TRUE(InstallProbe(plugins, "no_is_supported", "a.sph"));
    ASSERT_TRUE(InstallProbe(plugins, "first", "b.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file = SmallPicture();
    file.acceptMask = 1 | 4;
    HBITMAP bitmap = LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(file)).c_str());
    ASSERT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    EXPECT_EQ(Probe("a.sph")->getPictureCalls, 0);
    EXPECT_EQ(Probe("b.sph")->getPictureCalls, 1);
}

TEST_F(PluginHostTest, AcceptingModuleWithoutGetPictureGivesNoPicture) {
    ASSERT_TRUE(InstallProbe(plugins, "no_get_picture", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file = SmallPicture();
    file.acceptMask = 8;
    const std::string bytes = ProbeFileBytes(file) + std::string(2048, '\0');
    EXPECT_EQ(FindPluginFor(reinterpret_cast<const unsigned char*>(bytes.data())), nullptr)
        << "the head is accepted, but there is no GetPicture to decode it";
    EXPECT_EQ(LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(file)).c_str()), nullptr);
}

TEST_F(PluginHostTest, FailingGetPictureIsPassedUpAndNoOtherPluginIsTried) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    ASSERT_TRUE(InstallProbe(plugins, "second", "b.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file = SmallPicture();
    file.acceptMask = 1 | 2;
    file.result = 7;
    PluginPictureInfo info;
    EXPECT_EQ(PictureOf(file, &info), 7);
    EXPECT_EQ(Probe("a.sph")->getPictureCalls + Probe("b.sph")->getPictureCalls, 1);
    EXPECT_EQ(LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(file)).c_str()), nullptr);
    EXPECT_EQ(Probe("a.sph")->getPictureCalls + Probe("b.sph")->getPictureCalls, 2);
}

// The search's order decides. Wine 8 returns a directory's entries sorted by name (as NTFS
// does; FAT gives creation order), so the test asks the search for its order instead of
// assuming one, and tries both pairings of name and module so each module is once first.
TEST_F(PluginHostTest, FirstAcceptingPluginInSearchOrderDecodes) {
    for (const bool swap : {false, true}) {
        TempDir dir;
        // Written in reverse name order: creation order is not what decides here.
        ASSERT_TRUE(InstallProbe(dir, swap ? "first" : "second", "beta.sph"));
        ASSERT_TRUE(InstallProbe(dir, swap ? "second" : "first", "alpha.sph"));
        LoadPlugins(dir.path.c_str());
        const auto order = SearchOrder(dir, "*.sph");
        ASSERT_EQ(order.size(), 2u);
        ProbeFile file = SmallPicture();
        file.acceptMask = 1 | 2;
        HBITMAP bitmap = LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(file)).c_str());
        ASSERT_NE(bitmap, nullptr);
        DeleteObject(bitmap);
        EXPECT_EQ(Probe(order[0])->getPictureCalls, 1)
            << "search order " << order[0] << ", " << order[1];
        EXPECT_EQ(Probe(order[1])->getPictureCalls, 0);
        EXPECT_EQ(Probe(order[1])->isSupportedCalls, 0) << "the head was taken by the first";
        UnloadPlugins();
    }
}

TEST_F(PluginHostTest, HeadAndFileImageAreZeroPaddedTo2048Bytes) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeRecord* probe = Probe("a.sph");
    probe->acceptAll = 1;
    std::string hundred;
    for (int i = 0; i < 100; ++i)
        hundred += static_cast<char>(i + 1);
    for (const std::string& content : {std::string(), hundred}) {
        probe->isSupportedCalls = 0;
        probe->getPictureCalls = 0;
        EXPECT_EQ(LoadThroughHost(WriteImage("f.bin", content).c_str()), nullptr);
        std::string expected = content + std::string(2048 - content.size(), '\0');
        ASSERT_EQ(probe->isSupportedCalls, 1) << "the head, once";
        EXPECT_EQ(std::string(reinterpret_cast<char*>(probe->heads[0]), 2048), expected);
        ASSERT_EQ(probe->getPictureCalls, 1);
        EXPECT_EQ(probe->length, static_cast<LONG_PTR>(content.size()));
        EXPECT_EQ(probe->flag, 1u);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(probe->image), 2048), expected);
        EXPECT_EQ(probe->nonNullFileName, 0);
    }
}

TEST_F(PluginHostTest, LongFileIsHandedOverWhole) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file = SmallPicture();
    const std::string bytes = ProbeFileBytes(file) + std::string(3000, 'z');
    const std::string path = WriteImage("a.bin", bytes);
    HBITMAP bitmap = LoadThroughHost(path.c_str());
    ASSERT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    ProbeRecord* probe = Probe("a.sph");
    EXPECT_EQ(probe->length, static_cast<LONG_PTR>(bytes.size()));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(probe->heads[0]), 2048), bytes.substr(0, 2048));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(probe->image), bytes.size()), bytes);
    EXPECT_EQ(LocalFlags(probe->infoBlock), LMEM_INVALID_HANDLE) << "the host frees the blocks";
    EXPECT_EQ(LocalFlags(probe->pixelBlock), LMEM_INVALID_HANDLE);
    // The file's mapping went with the decode: an output can replace it.
    const std::string replacement = WriteImage("b.bin", "new");
    EXPECT_TRUE(MoveFileExA(replacement.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
}

TEST_F(PluginHostTest, EightBitPictureKeepsItsWholePalette) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file;
    file.info = BytesOf(MakeHeader(3, 2, 8));
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD color = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                               static_cast<BYTE>(i ^ 0x5A), 0};
        file.info += BytesOf(color);
    }
    file.pixels = std::string("\x00\xFF\x80\0\x01\x7F\xFE\0", 8); // bottom row first
    HBITMAP bitmap = LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(file)).c_str());
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section;
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBmih.biBitCount, 32) << "the host converts it to its own format";
    const auto pixels = PixelsOf(bitmap);
    DeleteObject(bitmap);
    auto expected = [](int i) {
        return Rgb(static_cast<uint8_t>(i ^ 0x5A), static_cast<uint8_t>(255 - i),
                   static_cast<uint8_t>(i));
    };
    const std::vector<uint32_t> want = {expected(1), expected(0x7F), expected(0xFE),
                                        expected(0), expected(0xFF), expected(0x80)};
    ASSERT_EQ(pixels.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(pixels[i] & 0xFFFFFF, want[i]) << i;
}

TEST_F(PluginHostTest, ZeroSizeImageCopiesComputedRowsAndMasksAreHonoured) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile plain;
    plain.info = BytesOf(MakeHeader(1, 2, 32));
    plain.pixels = std::string("\x10\x20\x30\0\x40\x50\x60\0", 8);
    HBITMAP bitmap = LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(plain)).c_str());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelsOf(bitmap), (std::vector<uint32_t>{0x00605040, 0x00302010}));
    DeleteObject(bitmap);

    ProbeFile masked;
    masked.info = BytesOf(MakeHeader(1, 2, 32, BI_BITFIELDS));
    for (const DWORD mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu})
        masked.info += BytesOf(mask);
    masked.pixels = plain.pixels;
    bitmap = LoadThroughHost(WriteImage("b.bin", ProbeFileBytes(masked)).c_str());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelsOf(bitmap), (std::vector<uint32_t>{0x00605040, 0x00302010}));
    DeleteObject(bitmap);
}

// Blocks smaller than the header claims: the host reads only what the block holds.
TEST_F(PluginHostTest, InfoCopyStopsAtTheInfoBlocksEnd) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file;
    file.info = BytesOf(MakeHeader(2, 1, 8)); // claims 256 colours
    for (int i = 0; i < 4; ++i)
        file.info += BytesOf(RGBQUAD{static_cast<BYTE>(10 * i + 1), 2, 3, 0});
    file.pixels = std::string("\x00\x03\0\0", 4);
    PluginPictureInfo info;
    ASSERT_EQ(PictureOf(file, &info), 0);
    EXPECT_EQ(info.colors[3].rgbBlue, 31);
    for (int i = 4; i < 256; ++i)
        ASSERT_EQ(BytesOf(info.colors[i]), std::string(4, '\0'))
            << "entry " << i << " lies past the block";

    // A block too short for the header itself is refused.
    file.infoBlockSize = 20;
    ASSERT_EQ(PictureOf(file, &info), 3);
    EXPECT_EQ(LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(file)).c_str()), nullptr);
}

TEST_F(PluginHostTest, ColourCountBeyondTheTableIsCappedForGdi) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file;
    BITMAPINFOHEADER header = MakeHeader(2, 1, 8);
    header.biClrUsed = 100000;
    header.biClrImportant = 100000;
    file.info = BytesOf(header) + std::string(1024, '\x11');
    file.pixels = std::string(4, '\0');
    PluginPictureInfo info;
    ASSERT_EQ(PictureOf(file, &info), 0);
    EXPECT_EQ(info.header.biClrUsed, 256u);
    EXPECT_EQ(info.header.biClrImportant, 256u);
}

TEST_F(PluginHostTest, PixelCopyStopsAtThePixelBlocksEnd) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file;
    file.info = BytesOf(MakeHeader(4, 4, 24)); // 48 bytes of rows
    file.pixels = std::string(20, '\x42');
    PluginPictureInfo info;
    std::string copy;
    ASSERT_EQ(PictureOf(file, &info, &copy), 0);
    EXPECT_EQ(copy, std::string(20, '\x42') + std::string(28, '\0'));
}

TEST_F(PluginHostTest, TopDownPictureKeepsItsRowOrderOnScreen) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file;
    file.info = BytesOf(MakeHeader(1, -3, 24));
    file.pixels = std::string("\x01\x01\x01\0\x02\x02\x02\0\x03\x03\x03\0", 12); // top row first
    HBITMAP bitmap = LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(file)).c_str());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelsOf(bitmap), (std::vector<uint32_t>{0x010101, 0x020202, 0x030303}));
    DeleteObject(bitmap);
}

TEST_F(PluginHostTest, SizeImageLargerThanTheSectionCopiesOnlyTheSection) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    ProbeFile file;
    file.info = BytesOf(MakeHeader(2, 2, 32, BI_RGB, 1 << 20));
    file.pixels = std::string(1 << 20, '\x33');
    HBITMAP bitmap = LoadThroughHost(WriteImage("a.bin", ProbeFileBytes(file)).c_str());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelsOf(bitmap), std::vector<uint32_t>(4, 0x33333333));
    DeleteObject(bitmap);
}

TEST_F(PluginHostTest, HeadersThatDescribeNoPictureAreRefused) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    const BITMAPINFOHEADER headers[] = {
        MakeHeader(0x7FFFFFFF, 0x7FFFFFFF, 32), // rows of 8 GB each
        MakeHeader(0x10000, 0x10000, 32),       // 16 GB: wraps to 0 in 32 bits
        MakeHeader(1, INT32_MIN, 8),
        MakeHeader(0, 1, 8),
        MakeHeader(-4, 1, 8),
        MakeHeader(2, 0, 8),
        MakeHeader(2, 2, 7),
    };
    for (const auto& header : headers) {
        ProbeFile file;
        file.info = BytesOf(header);
        file.pixels = std::string(64, '\x01');
        PluginPictureInfo info;
        EXPECT_EQ(PictureOf(file, &info), 3)
            << header.biWidth << " x " << header.biHeight << " x " << header.biBitCount;
    }
}

TEST_F(PluginHostTest, AllocationFailureAtEachStepGivesNoneAndReleasesEverything) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    const std::string path = WriteImage("a.bin", ProbeFileBytes(SmallPicture()));
    ProbeRecord* probe = Probe("a.sph");
    // the pixel copy (the file image is a mapping, or a copy inside the record)
    for (long successes = 0; successes < 1; ++successes) {
        probe->getPictureCalls = 0;
        PlanAllocationFailure(successes);
        EXPECT_EQ(LoadThroughHost(path.c_str()), nullptr) << successes;
        PlanAllocationFailure(-1);
        if (successes == 0) {
            ASSERT_EQ(probe->getPictureCalls, 1);
            EXPECT_EQ(LocalFlags(probe->infoBlock), LMEM_INVALID_HANDLE);
            EXPECT_EQ(LocalFlags(probe->pixelBlock), LMEM_INVALID_HANDLE);
        }
        HANDLE exclusive = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(exclusive, INVALID_HANDLE_VALUE) << "the file was closed";
        CloseHandle(exclusive);
    }
    HBITMAP bitmap = LoadThroughHost(path.c_str());
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
}

TEST_F(PluginHostTest, MissingFileGivesNone) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    EXPECT_EQ(LoadThroughHost((images / "missing.bin").c_str()), nullptr);
}

TEST_F(PluginHostTest, NoStorageForTheSlotsLeavesTheSetEmpty) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    PlanAllocationFailure(0);
    LoadPlugins(plugins.path.c_str());
    PlanAllocationFailure(-1);
    EXPECT_EQ(PluginSet.count, 0);
    EXPECT_EQ(PluginSet.modules, nullptr);
    EXPECT_EQ(GetModuleHandleA((plugins / "a.sph").c_str()), nullptr) << "nothing was loaded";
}

TEST_F(PluginHostTest, LoadingTwiceLeavesOneSet) {
    ASSERT_TRUE(InstallProbe(plugins, "first", "a.sph"));
    LoadPlugins(plugins.path.c_str());
    LoadPlugins(plugins.path.c_str());
    EXPECT_EQ(PluginSet.count, 1);
    UnloadPlugins();
    EXPECT_EQ(GetModuleHandleA((plugins / "a.sph").c_str()), nullptr) << "no reference is left";
}

} // namespace
