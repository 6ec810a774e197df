#include "imaging/encoder.h"

#include "common/allocator.h"
#include "imaging_test_support.h"

#include <cstring>
#include <vector>

namespace {

using namespace Gdiplus::DllExports;

// The MIME type of the encoder an identifier names, or "" for none.
std::string EncoderMimeType(const CLSID& clsid) {
    UINT count = 0, size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok)
        return "?";
    std::vector<char> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, size, encoders) != Gdiplus::Ok)
        return "?";
    for (UINT i = 0; i < count; ++i) {
        if (IsEqualGUID(encoders[i].Clsid, clsid)) {
            std::string mime;
            for (const WCHAR* c = encoders[i].MimeType; *c; ++c)
                mime += static_cast<char>(*c);
            return mime;
        }
    }
    return "";
}

std::string Lookup(const char* extension) {
    CLSID clsid;
    std::memset(&clsid, 0xAB, sizeof clsid);
    if (FindEncoderClsid(extension, &clsid) != 1)
        return "failed";
    const CLSID zero{};
    if (IsEqualGUID(clsid, zero))
        return "none";
    return EncoderMimeType(clsid);
}

class EncoderLookup : public GdiplusTest {};

TEST_F(EncoderLookup, ExtensionsSelectTheirEncoderWhateverTheirCase) {
    for (const char* jpeg : {".JPG", ".jpg", ".Jpg", ".jpeg", ".jpe"})
        EXPECT_EQ(Lookup(jpeg), "image/jpeg") << jpeg;
    EXPECT_EQ(Lookup(".tif"), "image/tiff");
    EXPECT_EQ(Lookup(".TIFF"), "image/tiff");
    EXPECT_EQ(Lookup(".png"), "image/png");
    EXPECT_EQ(Lookup(".bmp"), "image/bmp");
    EXPECT_EQ(Lookup(".gif"), "image/gif");
}

TEST_F(EncoderLookup, NamesNoEncoderListsGiveTheAllZeroIdentifier) {
    // No extension, a lone dot, formats GDI+ only decodes, and a near miss.
    for (const char* other : {"", ".", ".ico", ".wmf", ".pn", ".png.", ".jpgx"})
        EXPECT_EQ(Lookup(other), "none") << other;
}

TEST_F(EncoderLookup, StorageExhaustionFailsTheLookup) {
    CLSID clsid;
    // The encoder list is fetched once, by whichever lookup comes first: the first
    // allocation is the list or, once it is at hand, the scratch copy of a pattern list.
    PlanAllocationFailure(0);
    EXPECT_EQ(FindEncoderClsid(".png", &clsid), 0);
    PlanAllocationFailure(1); // the first or the second scratch copy
    EXPECT_EQ(FindEncoderClsid(".png", &clsid), 0);
    PlanAllocationFailure(-1);
    EXPECT_EQ(FindEncoderClsid(".png", &clsid), 1);
}

// Records what every save hands GDI+, then lets GDI+ write the file.
struct SaveCall {
    std::wstring path;
    UINT count = 0;
    GUID guid{};
    ULONG numberOfValues = 0;
    ULONG type = 0;
    LONG value = 0;
};
std::vector<SaveCall> g_calls;

Gdiplus::GpStatus WINGDIPAPI RecordingSave(Gdiplus::GpImage* image, const WCHAR* path,
                                           const CLSID* clsid,
                                           const Gdiplus::EncoderParameters* parameters) {
    SaveCall call;
    call.path = path;
    if (parameters != nullptr) {
        call.count = parameters->Count;
        if (parameters->Count >= 1) {
            const Gdiplus::EncoderParameter& p = parameters->Parameter[0];
            call.guid = p.Guid;
            call.numberOfValues = p.NumberOfValues;
            call.type = p.Type;
            call.value = *static_cast<const LONG*>(p.Value);
        }
    }
    g_calls.push_back(call);
    return GdipSaveImageToFile(image, path, clsid, parameters);
}

// A 5 x 3 Canvas painted through its DC with a known picture.
void PaintPattern(Canvas& canvas) {
    ASSERT_EQ(canvas.Create(5, 3, 32), 1);
    const COLORREF rows[3][5] = {
        {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255), RGB(0, 0, 0)},
        {RGB(255, 255, 0), RGB(0, 255, 255), RGB(255, 0, 255), RGB(128, 128, 128), RGB(10, 20, 30)},
        {RGB(200, 100, 50), RGB(200, 100, 50), RGB(200, 100, 50), RGB(200, 100, 50),
         RGB(200, 100, 50)},
    };
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_TRUE(SetPixelV(canvas.dc, x, y, rows[y][x]));
    GdiFlush();
}

class Saving : public GdiplusTest {
  protected:
    TempDir temp;
    void SetUp() override {
        GdiplusTest::SetUp();
        g_calls.clear();
        SetSaveImageFunction(RecordingSave);
    }
    void TearDown() override {
        SetSaveImageFunction(nullptr);
        GdiplusTest::TearDown();
    }
};

const GUID kQuality = {
    0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};

TEST_F(Saving, EverySaveCarriesExactlyTheQualityParameter) {
    Canvas canvas;
    PaintPattern(canvas);
    const struct {
        const char* name;
        int32_t quality;
    } saves[] = {{"q0.jpg", 0},   {"q5.jpg", 5},   {"q95.JPG", 95}, {"q100.jpeg", 100},
                 {"q75.png", 75}, {"q40.bmp", 40}, {"q60.tif", 60}, {"q1.gif", 1}};
    for (const auto& save : saves) {
        SCOPED_TRACE(save.name);
        g_calls.clear();
        const std::string path = temp / save.name;
        ASSERT_EQ(SaveBitmapWithQuality(canvas.bitmap, path.c_str(), save.quality), 1);
        ASSERT_EQ(g_calls.size(), 1u);
        const SaveCall& call = g_calls[0];
        EXPECT_EQ(call.count, 1u);
        EXPECT_TRUE(IsEqualGUID(call.guid, kQuality));
        EXPECT_EQ(call.numberOfValues, 1u);
        EXPECT_EQ(call.type, 4u); // EncoderParameterValueTypeLong
        EXPECT_EQ(call.value, save.quality);
        EXPECT_GT(ReadFileBytes(path).size(), 0u);
    }
}

std::string Magic(const std::string& path, size_t length) {
    return ReadFileBytes(path).substr(0, length);
}

TEST_F(Saving, SavedFilesHaveTheirFormatSizeAndPixels) {
    Canvas canvas;
    PaintPattern(canvas);
    const struct {
        const char* name;
        std::string magic;
        bool lossless;
    } formats[] = {
        {"out.bmp", "BM", true},
        {"photo.small.png", "\x89PNG\r\n\x1a\n", true},
        {"out.tif", std::string("II*\0", 4), true},
        {"out.TIFF", std::string("II*\0", 4), true},
        {"out.jpg", "\xFF\xD8\xFF", false},
    };
    for (const auto& format : formats) {
        SCOPED_TRACE(format.name);
        const std::string path = temp / format.name;
        ASSERT_EQ(SaveBitmapWithQuality(canvas.bitmap, path.c_str(), 90), 1);
        const std::string bytes = ReadFileBytes(path);
        // TIFF may be written in either byte order.
        const std::string head = bytes.substr(0, format.magic.size());
        if (format.magic[0] == 'I')
            EXPECT_TRUE(head == format.magic || head == std::string("MM\0*", 4)) << head;
        else
            EXPECT_EQ(head, format.magic);
        Canvas again;
        ASSERT_EQ(again.LoadFile(path.c_str()), 1);
        EXPECT_EQ(again.info.bmiHeader.biWidth, 5);
        EXPECT_EQ(again.info.bmiHeader.biHeight, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const Rgb want = PixelOf(canvas, x, y);
                const Rgb got = PixelOf(again, x, y);
                if (format.lossless) {
                    EXPECT_EQ(got, want) << x << "," << y;
                }
            }
    }
    // Wine's GIF encoder writes the header and no pixel data for a 32-bit bitmap (its own
    // decoder and ImageMagick both reject the file); the header still has the format and size.
    const std::string gif = temp / "out.gif";
    ASSERT_EQ(SaveBitmapWithQuality(canvas.bitmap, gif.c_str(), 90), 1);
    EXPECT_EQ(Magic(gif, 10), std::string("GIF89a\x05\0\x03\0", 10));

    // JPEG keeps the large uniform bottom row close enough.
    Canvas jpeg;
    ASSERT_EQ(jpeg.LoadFile((temp / "out.jpg").c_str()), 1);
    EXPECT_TRUE(Near(PixelOf(jpeg, 2, 2), Rgb{200, 100, 50}, 40)) << PixelOf(jpeg, 2, 2);
}

TEST_F(Saving, AOneByOneCanvasSavesAsOneByOne) {
    Canvas one;
    ASSERT_EQ(one.Create(1, 1, 32), 1);
    const std::string onePath = temp / "one.png";
    ASSERT_EQ(SaveBitmapWithQuality(one.bitmap, onePath.c_str(), 75), 1);
    Canvas again;
    ASSERT_EQ(again.LoadFile(onePath.c_str()), 1);
    EXPECT_EQ(again.info.bmiHeader.biWidth, 1);
    EXPECT_EQ(again.info.bmiHeader.biHeight, 1);
    EXPECT_EQ(PixelOf(again, 0, 0), (Rgb{0, 0, 0}));
}

TEST_F(Saving, WithoutAnEncoderNothingIsWrittenAndExistingFilesStay) {
    Canvas canvas;
    PaintPattern(canvas);
    for (const char* name : {"noextension", "trailing.", "icon.ico", "picture.wmf"}) {
        SCOPED_TRACE(name);
        const std::string path = temp / name;
        ASSERT_TRUE(WriteFileBytes(path, "keep me"));
        EXPECT_EQ(SaveBitmapWithQuality(canvas.bitmap, path.c_str(), 75), 0);
        EXPECT_EQ(ReadFileBytes(path), "keep me");
    }
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(Saving, HandlesThatAreNoDibSectionAndOverlongPathsFail) {
    Canvas canvas;
    PaintPattern(canvas);
    HDC screen = GetDC(nullptr);
    HBITMAP deviceBitmap = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    const std::string path = temp / "out.png";
    EXPECT_EQ(SaveBitmapWithQuality(nullptr, path.c_str(), 75), 0);
    EXPECT_EQ(SaveBitmapWithQuality(deviceBitmap, path.c_str(), 75), 0);
    DeleteObject(deviceBitmap);
    const std::string longPath = temp / (std::string(300, 'c') + ".png");
    EXPECT_EQ(SaveBitmapWithQuality(canvas.bitmap, longPath.c_str(), 75), 0);
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Saving, DoubleByteDirectoryNamesAndOwnerFailures) {
    Canvas canvas;
    PaintPattern(canvas);
    const std::string directory = temp / kJapaneseDirectory;
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr));
    const std::string path = directory + "\\\x95\x5C.png"; // 表.png
    ASSERT_EQ(SaveBitmapWithQuality(canvas.bitmap, path.c_str(), 75), 1);
    EXPECT_EQ(Magic(path, 4), "\x89PNG");

    PlanRecordAllocationFailure(0);
    EXPECT_EQ(SaveBitmapWithQuality(canvas.bitmap, (temp / "x.png").c_str(), 75), 0);
    PlanRecordAllocationFailure(-1);
    PlanAllocationFailure(0);
    EXPECT_EQ(SaveBitmapWithQuality(canvas.bitmap, (temp / "y.png").c_str(), 75), 0);
    PlanAllocationFailure(-1);
    EXPECT_EQ(g_calls.size(), 1u);
}

} // namespace
