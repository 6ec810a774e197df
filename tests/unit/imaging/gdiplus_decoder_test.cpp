// GDI+ decoding through the Canvas's own load path (no plug-in takes these files): what it
// refuses leaves nothing behind.
#include "imaging/canvas.h"
#include "imaging_test_support.h"

namespace {

class GdiplusDecoder : public GdiplusTest {};

TEST_F(GdiplusDecoder, UnreadableFilesGiveNoneAndLeaveNothing) {
    WarmUpGdi();
    {
        Canvas warm;
        warm.LoadFile(Fixture("one.png").c_str());
    }
    const long before = GdiObjectCount();
    // Wine's GDI+ decodes the whole file on opening, so a truncated file fails there rather
    // than at the draw; either way nothing is left behind. A path longer than the wide
    // buffer (300 bytes cannot become 260 UTF-16 units) is refused, never cut short.
    for (const std::string& name :
         {std::string("text.png"), std::string("missing.png"), std::string("truncated.png"),
          std::string("truncated.jpg"), std::string(300, 'b') + ".png"}) {
        SCOPED_TRACE(name);
        Canvas canvas;
        EXPECT_EQ(canvas.LoadFile(Fixture(name).c_str()), 0);
        EXPECT_EQ(canvas.bitmap, nullptr);
        EXPECT_EQ(LiveGdiplusRecords(), 0);
    }
    EXPECT_EQ(GdiObjectCount(), before);
}

TEST_F(GdiplusDecoder, EveryOwnerAllocationFailureIsCleanedUp) {
    WarmUpGdi();
    {
        Canvas warm;
        warm.LoadFile(Fixture("one.png").c_str());
    }
    const long before = GdiObjectCount();
    // Image, surface, graphics: the three owner records of one decode.
    for (long successes = 0; successes < 3; ++successes) {
        {
            Canvas canvas;
            PlanRecordAllocationFailure(successes);
            EXPECT_EQ(canvas.LoadFile(Fixture("pattern24.png").c_str()), 0) << successes;
            PlanRecordAllocationFailure(-1);
        }
        EXPECT_EQ(LiveGdiplusRecords(), 0);
        EXPECT_EQ(GdiObjectCount(), before);
    }
    Canvas canvas;
    EXPECT_EQ(canvas.LoadFile(Fixture("pattern24.png").c_str()), 1);
}

} // namespace
