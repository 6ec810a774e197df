// The ifjpeg plug-in: JPEGs written by cjpeg and ImageMagick decode at 1/1 to 1/8 to exactly
// djpeg's pixels, through our own exports and through the Susie set as tesrun loads them;
// truncated, garbage and oversized files are refused alike at every scale, never read past
// the memory they are given.
#include "imaging/canvas.h"
#include "imaging/draw_ahead.h"
#include "imaging/picture_source.h"
#include "imaging/source_draw.h"
#include "pluginhost/plugin_decoder.h"
#include "pluginhost/plugin_set.h"
#include "plugin_test_support.h"
#include "plugins/include/tessavel_plugin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <thread>

namespace {

constexpr int kDenominators[] = {1, 2, 4, 8};
const char* const kJpegPlugin = "ifjpeg" SUSIE_PLUGIN_EXTENSION;

std::string JpegImages() {
    return TestProgramDirectory() + "\\jpeg-images";
}

struct JpegFile {
    std::string name;
    int32_t width = 0;
    int32_t height = 0;
};

std::vector<JpegFile> JpegManifest() {
    std::vector<JpegFile> files;
    std::istringstream lines(ReadFileBytes(JpegImages() + "\\manifest.txt"));
    JpegFile f;
    while (lines >> f.name >> f.width >> f.height)
        files.push_back(f);
    return files;
}

// djpeg's output: a binary PPM (PGM for grey), as 0xRRGGBB, top row first.
struct Reference {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

Reference DjpegReference(const std::string& name, int denominator) {
    const std::string bytes =
        ReadFileBytes(JpegImages() + "\\" + name + "." + std::to_string(denominator) + ".ppm");
    std::istringstream header(bytes);
    std::string magic;
    int maxValue = 0;
    Reference r;
    header >> magic >> r.width >> r.height >> maxValue;
    size_t at = static_cast<size_t>(header.tellg()) + 1; // one whitespace byte
    if ((magic != "P6" && magic != "P5") || maxValue != 255)
        return {};
    if (magic == "P5") { // djpeg writes grey pictures as PGM
        for (; at < bytes.size(); ++at) {
            const auto v = static_cast<uint8_t>(bytes[at]);
            r.pixels.push_back(Rgb(v, v, v));
        }
        return r;
    }
    for (; at + 3 <= bytes.size(); at += 3)
        r.pixels.push_back(Rgb(static_cast<uint8_t>(bytes[at]), static_cast<uint8_t>(bytes[at + 1]),
                               static_cast<uint8_t>(bytes[at + 2])));
    return r;
}

struct JpegPlugin : ShippedPlugin {
    GetPictureScaledSizeFunction scaledSize;
    GetPictureScaledFunction scaled;
    GetPictureScaledRowsFunction scaledRows;
    PluginIsReentrantFunction isReentrant;
    JpegPlugin() : ShippedPlugin(kJpegPlugin) {
        scaledSize = Find<GetPictureScaledSizeFunction>(TESSAVEL_GET_PICTURE_SCALED_SIZE);
        scaled = Find<GetPictureScaledFunction>(TESSAVEL_GET_PICTURE_SCALED);
        scaledRows = Find<GetPictureScaledRowsFunction>(TESSAVEL_GET_PICTURE_SCALED_ROWS);
        isReentrant = Find<PluginIsReentrantFunction>(TESSAVEL_PLUGIN_IS_REENTRANT);
    }
};

constexpr uint32_t kPadding = 0xA5A5A5A5;

// A decode through GetPictureScaled into rows with two words of padding each, as the host
// hands them: top-down, or bottom-up with a negative stride.
struct ScaledDecode {
    int result = SUSIE_INTERNAL_ERROR;
    LONG width = 0;
    LONG height = 0;
    std::vector<uint32_t> pixels; // top row first, without the padding
    bool paddingKept = true;
    bool fourthBytesZero = true;
};

ScaledDecode DecodeScaled(const JpegPlugin& plugin, const unsigned char* data, size_t size,
                          int denominator, bool bottomUp = false) {
    ScaledDecode d;
    d.result = plugin.scaledSize(data, size, denominator, &d.width, &d.height);
    if (d.result != SUSIE_SUCCESS) {
        // The decode must refuse as well; it is asked with a size of one pixel.
        d.width = d.height = 1;
    }
    const size_t rowWords = static_cast<size_t>(d.width) + 2;
    // A picture whose header declares more than any test picture has is asked for with
    // room for one row: the plug-in must refuse it before writing a pixel.
    const bool declaredOnly = static_cast<uint64_t>(d.width) * d.height > (1u << 22);
    std::vector<uint32_t> rows(rowWords * static_cast<size_t>(declaredOnly ? 1 : d.height),
                               kPadding);
    uint32_t* top = bottomUp ? rows.data() + rows.size() - rowWords : rows.data();
    const LONG_PTR stride = static_cast<LONG_PTR>(rowWords * 4) * (bottomUp ? -1 : 1);
    const int decoded = plugin.scaled(data, size, denominator, top, stride, d.width, d.height);
    if (d.result == SUSIE_SUCCESS)
        d.result = decoded;
    else if (decoded == SUSIE_SUCCESS)
        d.result = SUSIE_SUCCESS; // a decode that succeeds where the size failed: wrong
    if (declaredOnly) {
        if (d.result == SUSIE_SUCCESS)
            d.result = SUSIE_INTERNAL_ERROR - 100; // decoded a picture it had no room for
        return d;
    }
    for (LONG y = 0; y < d.height; ++y) {
        const uint32_t* row = top + (bottomUp ? -1 : 1) * static_cast<ptrdiff_t>(rowWords) * y;
        for (LONG x = 0; x < d.width; ++x) {
            d.pixels.push_back(row[x] & 0xFFFFFF);
            d.fourthBytesZero = d.fourthBytesZero && (row[x] >> 24) == 0;
        }
        d.paddingKept = d.paddingKept && row[d.width] == kPadding && row[d.width + 1] == kPadding;
    }
    return d;
}

// The Susie GetPicture of the plug-in: its result, and the DIB's bit count when it succeeds.
int DecodeWhole(const JpegPlugin& plugin, const unsigned char* data, size_t size) {
    HLOCAL info = nullptr;
    HLOCAL pixels = nullptr;
    const int result =
        plugin.getPicture(reinterpret_cast<LPCSTR>(data), static_cast<LONG_PTR>(size),
                          SUSIE_INPUT_MEMORY, &info, &pixels, nullptr, 0);
    if (result == SUSIE_SUCCESS) {
        LocalFree(info);
        LocalFree(pixels);
    }
    return result;
}

size_t CountDifferences(const std::vector<uint32_t>& actual, const Reference& expected) {
    size_t differing = 0;
    for (size_t i = 0; i < actual.size() && i < expected.pixels.size(); ++i)
        if (actual[i] != expected.pixels[i] && differing++ < 3)
            ADD_FAILURE() << "pixel " << i % expected.width << "," << i / expected.width << ": "
                          << std::hex << actual[i] << " instead of " << expected.pixels[i];
    return differing;
}

TEST(JpegPlugin, EveryScaleGivesDjpegsPixels) {
    JpegPlugin plugin;
    ASSERT_NE(plugin.scaled, nullptr);
    ASSERT_NE(plugin.scaledSize, nullptr);
    const auto files = JpegManifest();
    ASSERT_GE(files.size(), 14u) << "the pictures are written at build time";
    for (const JpegFile& file : files) {
        const std::string bytes = ReadFileBytes(JpegImages() + "\\" + file.name);
        GuardedBytes image(bytes);
        for (int denominator : kDenominators) {
            SCOPED_TRACE(file.name + " at 1/" + std::to_string(denominator));
            const Reference reference = DjpegReference(file.name, denominator);
            ASSERT_GT(reference.width, 0);
            for (bool bottomUp : {false, true}) {
                const ScaledDecode d =
                    DecodeScaled(plugin, image.data, bytes.size(), denominator, bottomUp);
                ASSERT_EQ(d.result, SUSIE_SUCCESS);
                EXPECT_EQ(d.width, reference.width);
                EXPECT_EQ(d.height, reference.height);
                ASSERT_EQ(d.pixels.size(), reference.pixels.size());
                EXPECT_EQ(CountDifferences(d.pixels, reference), 0u);
                EXPECT_TRUE(d.paddingKept) << "nothing written beside the rows";
                EXPECT_TRUE(d.fourthBytesZero);
            }
        }
    }
}

// The rows handed over through a band of 16 as they are decoded, gathered in order.
struct HandedOver {
    const uint32_t* band = nullptr;
    LONG width = 0;
    LONG next = 0;
    LONG stopAfter = -1; // the rows after which the hand-over answers 0
    bool inOrder = true;
    std::vector<uint32_t> pixels;
};

int SUSIEAPI GatherRows(void* context, LONG first, LONG count) {
    auto* h = static_cast<HandedOver*>(context);
    h->inOrder = h->inOrder && first == h->next && count > 0;
    for (LONG y = first; y < first + count; ++y)
        for (LONG x = 0; x < h->width; ++x)
            h->pixels.push_back(h->band[(y % 16) * h->width + x] & 0xFFFFFF);
    h->next = first + count;
    return h->stopAfter < 0 || h->next < h->stopAfter;
}

TEST(JpegPlugin, RowsHandedOverAsTheyComeAreDjpegsAndTheHostMayStopThem) {
    JpegPlugin plugin;
    ASSERT_NE(plugin.scaledRows, nullptr);
    for (const JpegFile& file : JpegManifest()) {
        const std::string bytes = ReadFileBytes(JpegImages() + "\\" + file.name);
        GuardedBytes image(bytes);
        for (int denominator : kDenominators) {
            SCOPED_TRACE(file.name + " at 1/" + std::to_string(denominator));
            LONG width = 0;
            LONG height = 0;
            ASSERT_EQ(plugin.scaledSize(image.data, bytes.size(), denominator, &width, &height),
                      SUSIE_SUCCESS);
            std::vector<uint32_t> band(static_cast<size_t>(width) * 16);
            for (LONG stopAfter : {LONG{-1}, height / 2 + 1}) {
                if (stopAfter >= height)
                    continue;
                HandedOver h{band.data(), width, 0, stopAfter, true, {}};
                const int result =
                    plugin.scaledRows(image.data, bytes.size(), denominator, band.data(), width * 4,
                                      width, height, 16, GatherRows, &h);
                EXPECT_TRUE(h.inOrder);
                if (stopAfter < 0) {
                    EXPECT_EQ(result, SUSIE_SUCCESS);
                    EXPECT_EQ(h.next, height);
                    EXPECT_EQ(CountDifferences(h.pixels, DjpegReference(file.name, denominator)),
                              0u);
                } else {
                    EXPECT_EQ(result, SUSIE_ABORTED);
                }
            }
            EXPECT_EQ(plugin.scaledRows(image.data, bytes.size(), denominator, band.data(),
                                        width * 4, width, height, 15, GatherRows, nullptr),
                      SUSIE_INTERNAL_ERROR)
                << "a band of fewer than 16 rows";
        }
    }
}

// PluginIsReentrant says 1: four threads decoding at once each get djpeg's pixels.
TEST(JpegPlugin, ThreadsDecodingAtOnceEachGetDjpegsPixels) {
    JpegPlugin plugin;
    ASSERT_EQ(plugin.isReentrant(), 1);
    const auto files = JpegManifest();
    std::vector<std::string> bytes;
    for (const JpegFile& file : files)
        bytes.push_back(ReadFileBytes(JpegImages() + "\\" + file.name));
    std::vector<size_t> wrong(4, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < wrong.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round)
                for (size_t i = 0; i < files.size(); ++i) {
                    const int denominator = kDenominators[(i + t + round) % 4];
                    const auto* data = reinterpret_cast<const unsigned char*>(bytes[i].data());
                    const ScaledDecode d = DecodeScaled(plugin, data, bytes[i].size(), denominator);
                    wrong[t] += d.result != SUSIE_SUCCESS ||
                                d.pixels != DjpegReference(files[i].name, denominator).pixels;
                }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<size_t>(4, 0));
}

// As tesrun loads a picture it will draw whole: the host asks the plug-ins of the program
// directory, and ifjpeg decodes at full scale through its own exports.
TEST(JpegPlugin, TheHostDecodesEachToDjpegsPixels) {
    LoadPlugins(ProgramBinDirectory().c_str());
    const int guess = SpeculativeDenominator.exchange(1);
    JpegPlugin plugin;
    for (const JpegFile& file : JpegManifest()) {
        SCOPED_TRACE(file.name);
        const std::string path = JpegImages() + "\\" + file.name;
        HBITMAP bitmap = LoadThroughHost(path.c_str());
        ASSERT_NE(bitmap, nullptr);
        DIBSECTION section;
        ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
        EXPECT_EQ(section.dsBmih.biBitCount, 32);
        int32_t width = 0;
        int32_t height = 0;
        const auto pixels = PixelsOf(bitmap, &width, &height);
        DeleteObject(bitmap);
        EXPECT_EQ(width, file.width);
        EXPECT_EQ(height, file.height);
        std::vector<uint32_t> rgb;
        for (uint32_t p : pixels)
            rgb.push_back(p & 0xFFFFFF);
        EXPECT_EQ(CountDifferences(rgb, DjpegReference(file.name, 1)), 0u);

        const std::string bytes = ReadFileBytes(path);
        SusiePictureInfo info = {};
        ASSERT_EQ(plugin.getPictureInfo(bytes.data(), static_cast<LONG_PTR>(bytes.size()),
                                        SUSIE_INPUT_MEMORY, &info),
                  SUSIE_SUCCESS);
        EXPECT_EQ(info.width, file.width);
        EXPECT_EQ(info.height, file.height);
        EXPECT_EQ(info.colorDepth, 24);
    }
    SpeculativeDenominator = guess;
    UnloadPlugins();
}

// The SourceCanvas's draw onto a fresh target of its size, as 0xRRGGBB, bottom row first.
std::vector<uint32_t> DrawnPixels(const int32_t v[8], ResampleFilter filter) {
    if (!TargetCanvas.Create(v[6], v[7], 32) || DrawSourceFiltered(v, filter) != 1)
        return {};
    const auto* bits = static_cast<const uint32_t*>(TargetCanvas.bits);
    return std::vector<uint32_t>(bits, bits + static_cast<size_t>(v[6]) * v[7]);
}

// A picture of the size the last one was drawn at is decoded straight into that draw, and
// every draw of it, that one or another, gives the pixels it gives decoded as usual.
TEST(JpegPlugin, APictureDrawnAheadGivesEveryDrawsOwnPixels) {
    LoadPlugins(ProgramBinDirectory().c_str());
    const std::string path = JpegImages() + "\\cj-444.jpg"; // 203 x 150
    const int32_t half[8] = {0, 0, 203, 150, 0, 0, 101, 75};
    const int32_t crop[8] = {50, 40, 100, 80, 0, 0, 40, 32};
    ForgetDrawsForeseen();
    for (const auto* other : {half, crop}) {
        ASSERT_TRUE(SourceCanvas.LoadFile(path.c_str()));
        const auto usual = DrawnPixels(other, ResampleFilter::Lanczos3);
        ASSERT_FALSE(usual.empty());
        ASSERT_TRUE(SourceCanvas.LoadFile(path.c_str()));
        EXPECT_FALSE(HoldsDrawMadeAhead(SourceCanvas.source)) << "nothing foreseen yet";
        ASSERT_FALSE(DrawnPixels(half, ResampleFilter::Lanczos3).empty());
        NoteDrawForNextPictures(&SourceCanvas.source, half, ResampleFilter::Lanczos3);

        ASSERT_TRUE(SourceCanvas.LoadFile(path.c_str()));
        EXPECT_TRUE(HoldsDrawMadeAhead(SourceCanvas.source));
        EXPECT_EQ(SourceCanvas.info.bmiHeader.biWidth, 101) << "the draw's output, not the picture";
        EXPECT_EQ(DrawnPixels(other, ResampleFilter::Lanczos3), usual);
        ForgetDrawsForeseen();
    }
    SourceCanvas.Release();
    TargetCanvas.Release();
    UnloadPlugins();
}

// Every cut of a file loses at least its end marker: refused, with the same answer at
// every scale and from GetPicture, and never a read past the cut.
TEST(JpegPlugin, TruncatedFilesAreRefusedAlikeAtEveryScale) {
    JpegPlugin plugin;
    for (const char* name : {"cj-tiny.jpg", "cj-420.jpg", "cj-arithmetic.jpg", "cj-progressive.jpg",
                             "cj-restart.jpg", "im-cmyk.jpg"}) {
        const std::string bytes = ReadFileBytes(JpegImages() + "\\" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        // Every length of the small files; of the larger ones a sample and the last bytes.
        const size_t step = bytes.size() < 4096 ? 1 : 29;
        for (size_t length = 0; length < bytes.size(); length += step) {
            for (size_t end : {length, bytes.size() - 1 - length % 16}) {
                SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(end));
                GuardedBytes image(bytes.substr(0, end));
                const int whole = DecodeWhole(plugin, image.data, end);
                ASSERT_NE(whole, SUSIE_SUCCESS);
                for (int denominator : kDenominators)
                    ASSERT_EQ(DecodeScaled(plugin, image.data, end, denominator).result, whole);
            }
        }
    }
}

// A JPEG of tiny.jpg's tables with other numbers in its frame header, cut after the scan
// header when `noData`.
std::string WithFrame(int precision, int width, int height, bool noData, uint8_t sof = 0xC0) {
    std::string bytes = ReadFileBytes(JpegImages() + "\\cj-tiny.jpg");
    const size_t frame = bytes.find("\xFF\xC0");
    if (frame == std::string::npos)
        return {};
    bytes[frame + 1] = static_cast<char>(sof);
    bytes[frame + 4] = static_cast<char>(precision);
    bytes[frame + 5] = static_cast<char>(height >> 8);
    bytes[frame + 6] = static_cast<char>(height);
    bytes[frame + 7] = static_cast<char>(width >> 8);
    bytes[frame + 8] = static_cast<char>(width);
    if (noData) {
        const size_t scan = bytes.find("\xFF\xDA");
        const size_t length =
            (static_cast<uint8_t>(bytes[scan + 2]) << 8) | static_cast<uint8_t>(bytes[scan + 3]);
        bytes.resize(scan + 2 + length);
    }
    return bytes;
}

TEST(JpegPlugin, GarbageLiesAndKindsWeDoNotReadAreRefusedAlikeAtEveryScale) {
    JpegPlugin plugin;
    std::string garbage = "\xFF\xD8\xFF";
    uint32_t seed = 99;
    for (int i = 0; i < 3000; ++i)
        garbage += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    struct Case {
        const char* what;
        std::string bytes;
        int expected;
    };
    const Case cases[] = {
        {"garbage after the start marker", garbage, SUSIE_BROKEN_DATA},
        {"only the start marker", "\xFF\xD8\xFF", SUSIE_BROKEN_DATA},
        {"a PNG", "\x89PNG\r\n\x1A\n\0\0\0\0", SUSIE_UNKNOWN_FORMAT},
        {"65535 x 65535 declared", WithFrame(8, 65535, 65535, true), SUSIE_NO_MEMORY},
        {"60000 x 60000 declared, above the pixel limit", WithFrame(8, 60000, 60000, true),
         SUSIE_NO_MEMORY},
        {"1500 x 1000 declared, no data", WithFrame(8, 1500, 1000, true), SUSIE_BROKEN_DATA},
        {"1500 x 1000 declared over 7 x 5 of data", WithFrame(8, 1500, 1000, false),
         SUSIE_BROKEN_DATA},
        {"12-bit samples", WithFrame(12, 7, 5, false), SUSIE_UNKNOWN_FORMAT},
        {"lossless", WithFrame(8, 7, 5, false, 0xC3), SUSIE_UNKNOWN_FORMAT},
        {"zero height", WithFrame(8, 7, 0, false), SUSIE_BROKEN_DATA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.bytes.empty());
        GuardedBytes image(c.bytes);
        EXPECT_EQ(DecodeWhole(plugin, image.data, c.bytes.size()), c.expected);
        for (int denominator : kDenominators) {
            const ScaledDecode d = DecodeScaled(plugin, image.data, c.bytes.size(), denominator);
            EXPECT_EQ(d.result, c.expected) << "at 1/" << denominator;
        }
    }
}

TEST(JpegPlugin, ThePixelLimitRefusesAtEveryScale) {
    JpegPlugin plugin;
    const std::string bytes = ReadFileBytes(JpegImages() + "\\cj-444.jpg"); // 203 x 150
    ASSERT_EQ(_putenv("TESSAVEL_MAX_PIXELS=30000"), 0);
    const int whole =
        DecodeWhole(plugin, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    std::vector<int> scaled;
    for (int denominator : kDenominators)
        scaled.push_back(DecodeScaled(plugin, reinterpret_cast<const unsigned char*>(bytes.data()),
                                      bytes.size(), denominator)
                             .result);
    ASSERT_EQ(_putenv("TESSAVEL_MAX_PIXELS="), 0);
    EXPECT_EQ(whole, SUSIE_NO_MEMORY);
    EXPECT_EQ(scaled, (std::vector<int>(4, SUSIE_NO_MEMORY)));
}

TEST(JpegPlugin, PluginInfoHeadsAndRequestsTheDecoderCannotServe) {
    JpegPlugin plugin;
    ASSERT_NE(plugin.isReentrant, nullptr);
    EXPECT_EQ(plugin.isReentrant(), 1);
    char text[64];
    EXPECT_EQ(plugin.getPluginInfo(0, text, sizeof text), 4);
    EXPECT_STREQ(text, "00IN");
    plugin.getPluginInfo(2, text, sizeof text);
    EXPECT_STREQ(text, "*.jpg;*.jpeg;*.jpe;*.jfif");

    unsigned char head[SUSIE_HEAD_SIZE] = {0xFF, 0xD8, 0xFF, 0xE0};
    EXPECT_EQ(plugin.isSupported(nullptr, reinterpret_cast<ULONG_PTR>(head)), 1);
    head[1] = 0xD9;
    EXPECT_EQ(plugin.isSupported(nullptr, reinterpret_cast<ULONG_PTR>(head)), 0);

    const std::string bytes = ReadFileBytes(JpegImages() + "\\cj-420.jpg"); // 61 x 37
    LONG width = 0;
    LONG height = 0;
    EXPECT_EQ(plugin.scaledSize(bytes.data(), bytes.size(), 3, &width, &height),
              SUSIE_NOT_IMPLEMENTED);
    EXPECT_EQ(plugin.scaledSize(bytes.data(), bytes.size(), 16, &width, &height),
              SUSIE_NOT_IMPLEMENTED);
    ASSERT_EQ(plugin.scaledSize(bytes.data(), bytes.size(), 8, &width, &height), SUSIE_SUCCESS);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 5);
    std::vector<uint32_t> rows(64 * 64);
    EXPECT_EQ(plugin.scaled(bytes.data(), bytes.size(), 8, rows.data(), 64 * 4, 9, 5),
              SUSIE_INTERNAL_ERROR)
        << "a width other than the one answered";
    EXPECT_EQ(plugin.scaled(bytes.data(), bytes.size(), 8, rows.data(), 7 * 4, 8, 5),
              SUSIE_INTERNAL_ERROR)
        << "a stride shorter than a row";
    EXPECT_EQ(plugin.scaled(bytes.data(), bytes.size(), 3, rows.data(), 64 * 4, 21, 13),
              SUSIE_NOT_IMPLEMENTED);
}

} // namespace
