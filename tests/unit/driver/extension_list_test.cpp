#include "common/allocator.h"
#include "driver/extension_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Entries() {
    std::vector<std::string> entries;
    for (uint32_t i = 0; i < ExtensionList.count; ++i)
        entries.emplace_back(ExtensionList.slots[i]);
    return entries;
}

struct ExtensionListTest : ::testing::Test {
    void TearDown() override {
        FreeExtensionList();
        PlanAllocationFailure(-1);
    }
};

TEST_F(ExtensionListTest, SplittingRuleGivesTheEntriesInTheirOrder) {
    const struct {
        const char* argument;
        std::vector<std::string> entries;
    } cases[] = {
        {"jpg|png", {"jpg", "png"}},
        {"|jpg", {"jpg"}},
        {"jpg||png", {"jpg", "", "png"}},
        {"jpg|", {"jpg", ""}},
        {"||jpg", {"", "jpg"}},
        {"", {}},
        {"|", {""}},
        {"jpeg|tif", {"jpeg", "tif"}},
        {"JPG|Png", {"JPG", "Png"}}, // stored as typed
    };
    for (const auto& c : cases) {
        ASSERT_EQ(BuildExtensionList(c.argument), ExtensionListStatus::Built) << c.argument;
        EXPECT_EQ(Entries(), c.entries) << "argument: " << c.argument;
        FreeExtensionList();
    }
}

TEST_F(ExtensionListTest, SlotsAreZeroFilledToTheirEnd) {
    ASSERT_EQ(BuildExtensionList("a|bc"), ExtensionListStatus::Built);
    ASSERT_EQ(ExtensionList.count, 2u);
    for (uint32_t i = 0; i < 2; ++i) {
        const size_t length = std::char_traits<char>::length(ExtensionList.slots[i]);
        for (size_t b = length; b < kExtensionSlotSize; ++b)
            EXPECT_EQ(ExtensionList.slots[i][b], '\0') << "slot " << i << " byte " << b;
    }
}

TEST_F(ExtensionListTest, EntryLengthLimitIsFifteenBytes) {
    EXPECT_EQ(BuildExtensionList("jpg|abcdefghijklmno"), ExtensionListStatus::Built);
    EXPECT_EQ(Entries().back(), "abcdefghijklmno");
    FreeExtensionList();
    EXPECT_EQ(BuildExtensionList("jpg|abcdefghijklmnop"), ExtensionListStatus::EntryTooLong);
    EXPECT_EQ(ExtensionList.slots, nullptr) << "nothing is allocated for a refused list";
}

TEST_F(ExtensionListTest, DoubleByteTrailBarDoesNotSplit) {
    // 0x83 0x7C is a CP932 character whose second byte is '|'.
    const std::string argument = "a\x83\x7C"
                                 "b|png";
    ASSERT_EQ(BuildExtensionList(argument.c_str()), ExtensionListStatus::Built);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a\x83\x7C"
                                                   "b",
                                                   "png"}));
}

TEST_F(ExtensionListTest, ExhaustedStorageIsReported) {
    PlanAllocationFailure(0);
    EXPECT_EQ(BuildExtensionList("jpg|png"), ExtensionListStatus::NoStorage);
    EXPECT_EQ(ExtensionList.count, 0u);
}

} // namespace
