// What a save behind holds back comes out after its outcome, also when the held text
// outgrows its bound and the saves must be settled early.
#include "driver/console.h"
#include "support/console_capture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int settles = 0;

// Stands in for the saves behind: each settle prints a save's outcome, then its segment.
void SettleAll() {
    ++settles;
    {
        DirectConsoleScope direct;
        Print("outcome 1\n");
    }
    WriteOldestHeld();
    {
        DirectConsoleScope direct;
        Print("outcome 2\n");
    }
    WriteOldestHeld();
}

TEST(HeldConsole, SegmentsComeOutAfterTheirSavesOutcomesInOrder) {
    ConsoleCapture capture;
    settles = 0;
    HoldConsole(SettleAll);
    Print("after save 1\n");
    HoldConsole(SettleAll);
    Print("after save 2\n");
    EXPECT_EQ(capture.text, "");
    SettleAll();
    EXPECT_EQ(capture.text, "outcome 1\nafter save 1\noutcome 2\nafter save 2\n");

    // Past 4 MiB the text is not held: the saves are settled first, then it is written.
    capture.text.clear();
    HoldConsole(SettleAll);
    const std::string line = std::string(1 << 20, 'x') + "\n";
    for (int i = 0; i < 5; ++i)
        Print("%s", line.c_str());
    EXPECT_EQ(settles, 2);
    EXPECT_TRUE(capture.text == "outcome 1\n" + line + line + line + "outcome 2\n" + line + line);
}

} // namespace
