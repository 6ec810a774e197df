#include "common/allocator.h"
#include "driver/extension_list.h"
#include "pluginhost/plugin_set.h"
#include "support/console_capture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kBanner = "Tessavel comammd-line tool Version 1.1\n";
const std::string kUsage = "Usage\n"
                           "\ttesrun script source destination extensions [plugin]\n"
                           "\tscript\t\tThe path of script.\n"
                           "\tsource\t\tThe path of directory source images are in.\n"
                           "\tdestination\tThe path of destination directory.\n"
                           "\textensions\tThe extensions of available images.\n"
                           "\t\t\tIt contains extensions separated by '|' without '.'.\n"
                           "\tplugin\t\tThe path of directory plugins are in.\n"
                           "\t\t\tThe default is what this program is in.\n"
                           "\t\t\tIf you do not need them, type \"null\".\n";

struct EntryTest : ::testing::Test {
    ConsoleCapture console;
    void TearDown() override {
        PlanAllocationFailure(-1);
        EXPECT_EQ(ExtensionList.slots, nullptr) << "the extension list is freed on every path";
        EXPECT_EQ(PluginSet.count, 0) << "plug-ins are unloaded on every path";
    }
};

TEST_F(EntryTest, FewerThanFourArgumentsPrintUsageWithoutPause) {
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{}, {"a"}, {"a", "b"}, {"a", "b", "c"}}) {
        ConsoleCapture::text.clear();
        EXPECT_EQ(RunTesrunWith(arguments), 0);
        EXPECT_EQ(ConsoleCapture::text, kBanner + "Invalid parameter.\n" + kUsage);
    }
    EXPECT_TRUE(ConsoleCapture::pauses.empty());
}

TEST_F(EntryTest, LengthLimitsOfEachArgument) {
    const std::string ok = "x";
    const std::string tooLong = "Path too long.\n";
    struct Case {
        std::vector<std::string> arguments;
        bool refused;
    };
    const Case cases[] = {
        {{std::string(256, 's'), ok, ok, ok}, true},
        {{ok, std::string(248, 's'), ok, ok}, true},
        {{ok, ok, std::string(248, 'd'), ok}, true},
        {{ok, ok, ok, std::string(248, 'e')}, true},
        {{ok, ok, ok, ok, std::string(260, 'p')}, true},
        {{std::string(255, 's'), std::string(247, 's'), std::string(247, 'd'),
          "jpg|" + std::string(243, '|'), "null"},
         false},
        {{ok, ok, ok, ok, "null" + std::string(255, 'x')}, false},
    };
    for (const auto& c : cases) {
        ConsoleCapture::text.clear();
        ConsoleCapture::pauses.clear();
        EXPECT_EQ(RunTesrunWith(c.arguments), 0);
        if (c.refused) {
            EXPECT_EQ(ConsoleCapture::text, kBanner + tooLong);
            EXPECT_TRUE(ConsoleCapture::pauses.empty());
        } else {
            EXPECT_EQ(ConsoleCapture::text.find(tooLong), std::string::npos);
            EXPECT_EQ(ConsoleCapture::pauses.size(), 1u);
        }
    }
}

TEST_F(EntryTest, ExtensionOfSixteenBytesIsRefusedFifteenAccepted) {
    EXPECT_EQ(RunTesrunWith({"s", "a", "b", "jpg|abcdefghijklmnop"}), 0);
    EXPECT_EQ(ConsoleCapture::text, kBanner + "Extension too long.\n");
    EXPECT_TRUE(ConsoleCapture::pauses.empty());

    ConsoleCapture::text.clear();
    RunTesrunWith({"s", "a", "b", "abcdefghijklmno", "null"});
    EXPECT_EQ(ConsoleCapture::text.find("Extension too long."), std::string::npos);
}

TEST_F(EntryTest, NoStorageForTheListIsAMemoryError) {
    PlanAllocationFailure(0);
    EXPECT_EQ(RunTesrunWith({"s", "a", "b", "jpg"}), 0);
    EXPECT_EQ(ConsoleCapture::text, kBanner + "Memory error.\n");
    EXPECT_TRUE(ConsoleCapture::pauses.empty());
}

TEST_F(EntryTest, NullInAnyLetterCaseIgnoresPlugins) {
    for (const char* word : {"null", "NULL", "Null", "nULl"}) {
        ConsoleCapture::text.clear();
        RunTesrunWith({"missing.txt", "a", "b", "jpg", word});
        EXPECT_EQ(ConsoleCapture::text.rfind(kBanner + "Ignored Pluins.\n", 0), 0u) << word;
        EXPECT_EQ(ConsoleCapture::text.find("Loaded Susie Plug-in"), std::string::npos);
        EXPECT_EQ(ConsoleCapture::text.find("Searching"), std::string::npos);
    }
}

TEST_F(EntryTest, FailedRunStillPrintsItsLinesInOrderAndPauses) {
    TempDir plugins; // no modules in it
    EXPECT_EQ(RunTesrunWith({plugins / "no-such-script.txt", "a", "b", "jpg", plugins.path}), 0);
    EXPECT_EQ(ConsoleCapture::text, kBanner + "Searching for Plugins.\n"
                                              "No Script Info exists.\n"
                                              "Unexcepted error.\n");
    ASSERT_EQ(ConsoleCapture::pauses.size(), 1u);
    EXPECT_EQ(ConsoleCapture::pauses[0], 3000u);
}

} // namespace
