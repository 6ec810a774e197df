#include "imaging/canvas.h"
#include "imaging/gdiplus_decoder.h"
#include "imaging_test_support.h"

#include <climits>
#include <cstring>

namespace {

void ExpectEmpty(const Canvas& canvas) {
    EXPECT_EQ(canvas.bitmap, nullptr);
    EXPECT_EQ(canvas.dc, nullptr);
    EXPECT_EQ(canvas.bits, nullptr);
    EXPECT_EQ(canvas.imageSize, 0);
    const BITMAPINFO zero{};
    EXPECT_EQ(std::memcmp(&canvas.info, &zero, sizeof zero), 0);
}

// Paints the pixel through the Canvas's DC, in image coordinates.
void Paint(Canvas& canvas, int x, int y, COLORREF colour) {
    ASSERT_TRUE(SetPixelV(canvas.dc, x, y, colour));
    GdiFlush();
}

TEST(Canvas, CreateOneByOneIsABlackPixelWithItsDc) {
    Canvas canvas;
    ASSERT_EQ(canvas.Create(1, 1, 32), 1);
    const BITMAPINFOHEADER& h = canvas.info.bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 1);
    EXPECT_EQ(h.biHeight, 1);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 32);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 4u);
    EXPECT_EQ(canvas.imageSize, 4);
    EXPECT_EQ(h.biXPelsPerMeter | h.biYPelsPerMeter | h.biClrUsed | h.biClrImportant, 0);
    ASSERT_NE(canvas.bits, nullptr);
    EXPECT_EQ(*static_cast<uint32_t*>(canvas.bits), 0u);
    ASSERT_NE(canvas.dc, nullptr);
    EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_BITMAP), canvas.bitmap);
}

TEST(Canvas, RefusedSizesLeaveAnEmptyCanvasAndNoObjects) {
    WarmUpGdi();
    const long before = GdiObjectCount();
    Canvas canvas;
    const struct {
        int32_t width, height;
        uint16_t bitCount;
    } refused[] = {
        {0, 5, 32},
        {5, 0, 32},
        {-5, 5, 32},
        {100000, 100000, 32}, // 40 000 000 000 bytes: must not wrap to a small size
        {INT32_MAX, 1, 32},
        {23171, 23171, 32}, // just over 2 GiB
        // Top-down sections are refused, however small.
        {3, -2, 32},
        {1, INT32_MIN, 32},
        {65536, -32768, 32},
        {4, 4, 8}, // would need 256 colour entries; the record has room for one
        {4, 4, 0},
    };
    for (const auto& r : refused) {
        ASSERT_EQ(canvas.Create(8, 8, 32), 1);
        EXPECT_EQ(canvas.Create(r.width, r.height, r.bitCount), 0)
            << r.width << " x " << r.height << " x " << r.bitCount;
        ExpectEmpty(canvas);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

TEST(Canvas, CreatingTwiceHoldsOneSectionAndOneDc) {
    WarmUpGdi();
    const long before = GdiObjectCount();
    {
        Canvas canvas;
        ASSERT_EQ(canvas.Create(10, 10, 32), 1);
        ASSERT_EQ(canvas.Create(20, 30, 32), 1);
        EXPECT_EQ(GdiObjectCount(), before + 2);
        EXPECT_EQ(canvas.info.bmiHeader.biWidth, 20);
        EXPECT_EQ(canvas.imageSize, 20 * 30 * 4);
        canvas.Release();
        EXPECT_EQ(GdiObjectCount(), before);
        ExpectEmpty(canvas);
    }
    {
        Canvas scoped; // released by its destructor, as the process-wide ones at exit
        ASSERT_EQ(scoped.Create(4, 4, 32), 1);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

TEST(Canvas, NeverCreatedCanvasReleasesQuietly) {
    Canvas canvas;
    canvas.Release();
    canvas.Release();
    ExpectEmpty(canvas);
    ExpectEmpty(SourceCanvas);
    ExpectEmpty(TargetCanvas);
}

TEST(Canvas, PaintedPixelsLieBottomUp) {
    Canvas canvas;
    ASSERT_EQ(canvas.Create(3, 2, 32), 1);
    Paint(canvas, 0, 1, RGB(0, 0, 255)); // bottom-left in image coordinates
    EXPECT_EQ(FirstInMemory(canvas), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelOf(canvas, 0, 0), (Rgb{0, 0, 0}));
}

TEST(Canvas, OddWidthAt24BitsRoundsRowsToFourBytes) {
    Canvas canvas;
    ASSERT_EQ(canvas.Create(5, 3, 24), 1);
    EXPECT_EQ(canvas.imageSize, 3 * 16);
}

class CanvasLoad : public GdiplusTest {};

const Rgb kPattern[3][5] = {
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}},
    {{255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {128, 128, 128}, {10, 20, 30}},
    {{200, 100, 50}, {200, 100, 50}, {200, 100, 50}, {200, 100, 50}, {200, 100, 50}},
};

TEST_F(CanvasLoad, PaletteAndTrueColourImagesBecomeBottomUp32BitCanvases) {
    for (const char* name : {"pattern24.bmp", "pattern8.bmp", "pattern24.png", "pattern8.png"}) {
        SCOPED_TRACE(name);
        Canvas canvas;
        ASSERT_EQ(canvas.LoadFile(Fixture(name).c_str()), 1);
        const BITMAPINFOHEADER& h = canvas.info.bmiHeader;
        EXPECT_EQ(h.biWidth, 5);
        EXPECT_EQ(h.biHeight, 3);
        EXPECT_EQ(h.biBitCount, 32);
        EXPECT_EQ(canvas.imageSize, 60);
        ASSERT_NE(canvas.dc, nullptr);
        EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_BITMAP), canvas.bitmap);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(PixelOf(canvas, x, y), kPattern[y][x]) << x << "," << y;
        // Bottom-up: memory starts with the image's bottom row.
        EXPECT_EQ(FirstInMemory(canvas), (Rgb{200, 100, 50}));
    }
}

TEST_F(CanvasLoad, GreyscaleAlphaAndJpegDecodeToTheirColours) {
    Canvas canvas;
    ASSERT_EQ(canvas.LoadFile(Fixture("gray.png").c_str()), 1);
    const int grey[2][4] = {{0, 64, 128, 255}, {255, 192, 32, 16}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelOf(canvas, x, y), (Rgb{grey[y][x], grey[y][x], grey[y][x]}));

    // Transparency is composited over black.
    ASSERT_EQ(canvas.LoadFile(Fixture("alpha.png").c_str()), 1);
    EXPECT_EQ(PixelOf(canvas, 0, 0), (Rgb{0, 0, 255}));
    EXPECT_TRUE(Near(PixelOf(canvas, 1, 0), Rgb{128, 0, 0}, 2)) << PixelOf(canvas, 1, 0);
    EXPECT_EQ(PixelOf(canvas, 2, 0), (Rgb{0, 0, 0}));

    ASSERT_EQ(canvas.LoadFile(Fixture("halves.jpg").c_str()), 1);
    EXPECT_EQ(canvas.info.bmiHeader.biWidth, 16);
    EXPECT_EQ(canvas.info.bmiHeader.biHeight, 16);
    EXPECT_TRUE(Near(PixelOf(canvas, 8, 2), Rgb{220, 30, 30}, 12)) << PixelOf(canvas, 8, 2);
    EXPECT_TRUE(Near(PixelOf(canvas, 8, 13), Rgb{30, 30, 220}, 12)) << PixelOf(canvas, 8, 13);

    ASSERT_EQ(canvas.LoadFile(Fixture("one.png").c_str()), 1);
    EXPECT_EQ(canvas.imageSize, 4);
    EXPECT_EQ(PixelOf(canvas, 0, 0), (Rgb{1, 2, 3}));
}

TEST_F(CanvasLoad, AnimationsAndPageSetsGiveTheirFirstFrame) {
    Canvas canvas;
    ASSERT_EQ(canvas.LoadFile(Fixture("anim.gif").c_str()), 1);
    EXPECT_EQ(canvas.info.bmiHeader.biWidth, 4);
    EXPECT_EQ(canvas.info.bmiHeader.biHeight, 3);
    EXPECT_EQ(PixelOf(canvas, 3, 2), (Rgb{255, 0, 0}));

    ASSERT_EQ(canvas.LoadFile(Fixture("multipage.tif").c_str()), 1);
    EXPECT_EQ(canvas.info.bmiHeader.biWidth, 6);
    EXPECT_EQ(canvas.info.bmiHeader.biHeight, 4);
    EXPECT_EQ(PixelOf(canvas, 5, 3), (Rgb{0, 255, 0}));
}

TEST_F(CanvasLoad, FilesNoDecoderTakesLeaveThePreviousImage) {
    Canvas canvas;
    ASSERT_EQ(canvas.LoadFile(Fixture("pattern24.png").c_str()), 1);
    const HBITMAP bitmap = canvas.bitmap;
    const HDC dc = canvas.dc;
    const std::string tooLong = Fixture(std::string(300, 'a') + ".png");
    for (const std::string& path : {Fixture("text.png"), Fixture("missing.png"),
                                    Fixture("truncated.png"), Fixture("truncated.jpg"), tooLong}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(canvas.LoadFile(path.c_str()), 0);
        EXPECT_EQ(canvas.bitmap, bitmap);
        EXPECT_EQ(canvas.dc, dc);
        EXPECT_EQ(GetCurrentObject(canvas.dc, OBJ_BITMAP), bitmap);
        EXPECT_EQ(canvas.info.bmiHeader.biWidth, 5);
        EXPECT_EQ(PixelOf(canvas, 0, 0), (Rgb{255, 0, 0}));
    }
}

TEST_F(CanvasLoad, PathWithDoubleByteCharactersInItsDirectory) {
    TempDir temp;
    const std::string directory = temp / kJapaneseDirectory;
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
    const std::string path = directory + "\\\x83\x5C.png"; // ソ.png
    ASSERT_TRUE(CopyFileA(Fixture("pattern24.png").c_str(), path.c_str(), FALSE));
    Canvas canvas;
    ASSERT_EQ(canvas.LoadFile(path.c_str()), 1);
    EXPECT_EQ(PixelOf(canvas, 2, 0), (Rgb{0, 0, 255}));
}

TEST_F(CanvasLoad, AThousandCyclesLeaveNoGdiOrGdiplusObjectBehind) {
    WarmUpGdi();
    Canvas canvas;
    const std::string good = Fixture("medium.png");
    const std::string text = Fixture("text.png");
    const std::string truncated = Fixture("truncated.jpg");
    // The first rounds make GDI+ and the heap set up what they keep for the process.
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(canvas.LoadFile(good.c_str()), 1);
        canvas.Release();
    }
    const long objectsBefore = GdiObjectCount();
    const long long bytesBefore = PrivateBytes();
    ASSERT_GT(objectsBefore, 0);
    ASSERT_GT(bytesBefore, 0);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(canvas.Create(16, 16, 32), 1);
        ASSERT_EQ(canvas.LoadFile(good.c_str()), 1);
        ASSERT_EQ(canvas.LoadFile(text.c_str()), 0);
        ASSERT_EQ(canvas.LoadFile(truncated.c_str()), 0);
        canvas.Release();
    }
    EXPECT_EQ(GdiObjectCount(), objectsBefore);
    EXPECT_EQ(LiveGdiplusRecords(), 0);
    // One decoded image kept per cycle would be 64 MiB.
    EXPECT_LT(PrivateBytes() - bytesBefore, 8LL << 20);
}

} // namespace
