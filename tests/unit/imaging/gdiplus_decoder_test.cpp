#include "imaging/gdiplus_decoder.h"
#include "imaging_test_support.h"

namespace {

class GdiplusDecoder : public GdiplusTest {};

TEST_F(GdiplusDecoder, GivesABottomUp32BitSectionOfTheImagesSize) {
    HBITMAP decoded = DecodeWithGdiplus(Fixture("one.png").c_str());
    ASSERT_NE(decoded, nullptr);
    DIBSECTION section;
    ASSERT_EQ(GetObjectA(decoded, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBmih.biWidth, 1);
    EXPECT_EQ(section.dsBmih.biHeight, 1);
    EXPECT_EQ(section.dsBmih.biBitCount, 32);
    EXPECT_EQ(section.dsBmih.biSizeImage, 4u);
    EXPECT_EQ(PixelOf(section.dsBmih, section.dsBm.bmBits, 0, 0), (Rgb{1, 2, 3}));
    DeleteObject(decoded);
}

TEST_F(GdiplusDecoder, UnreadableFilesGiveNoneAndLeaveNothing) {
    WarmUpGdi();
    DeleteObject(DecodeWithGdiplus(Fixture("one.png").c_str()));
    const long before = GdiObjectCount();
    // Wine's GDI+ decodes the whole file on opening, so a truncated file fails there rather
    // than at the draw; either way nothing is left behind.
    for (const char* name : {"text.png", "missing.png", "truncated.png", "truncated.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(DecodeWithGdiplus(Fixture(name).c_str()), nullptr);
        EXPECT_EQ(LiveGdiplusRecords(), 0);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

TEST_F(GdiplusDecoder, PathsLongerThanTheWideBufferFail) {
    // 300 bytes cannot become 260 UTF-16 units: refused, never cut to a shorter name.
    const std::string longPath = Fixture(std::string(300, 'b') + ".png");
    EXPECT_EQ(DecodeWithGdiplus(longPath.c_str()), nullptr);
}

TEST_F(GdiplusDecoder, EveryOwnerAllocationFailureIsCleanedUp) {
    WarmUpGdi();
    DeleteObject(DecodeWithGdiplus(Fixture("one.png").c_str()));
    const long before = GdiObjectCount();
    // Image, surface, graphics: the three owner records of one decode.
    for (long successes = 0; successes < 3; ++successes) {
        PlanRecordAllocationFailure(successes);
        EXPECT_EQ(DecodeWithGdiplus(Fixture("pattern24.png").c_str()), nullptr) << successes;
        PlanRecordAllocationFailure(-1);
        EXPECT_EQ(LiveGdiplusRecords(), 0);
        EXPECT_EQ(GdiObjectCount(), before);
    }
    HBITMAP decoded = DecodeWithGdiplus(Fixture("pattern24.png").c_str());
    EXPECT_NE(decoded, nullptr);
    DeleteObject(decoded);
}

} // namespace
