// tesrun's plug-in lines: each loaded module listed in search order, none for "null", and
// every module unloaded after the run.
#include "pluginhost/plugin_set.h"
#include "plugin_test_support.h"
#include "support/console_capture.h"

#include <gtest/gtest.h>

namespace {

struct TesrunPluginsTest : ::testing::Test {
    ConsoleCapture console;
    TempDir work;
    std::string Run(const std::vector<std::string>& pluginArgument) {
        std::vector<std::string> arguments = {work / "missing-script.txt", work.path, work.path,
                                              "pgm|tga"};
        arguments.insert(arguments.end(), pluginArgument.begin(), pluginArgument.end());
        ConsoleCapture::text.clear();
        EXPECT_EQ(RunTesrunWith(arguments), 0);
        return ConsoleCapture::text;
    }
};

TEST_F(TesrunPluginsTest, ListsEveryLoadedModuleInSearchOrderAndUnloadsThem) {
    TempDir plugins;
    ASSERT_TRUE(InstallProbe(plugins, "first", "one.sph"));
    ASSERT_TRUE(InstallProbe(plugins, "second", "two.sph"));
    ASSERT_TRUE(InstallProbe(plugins, "no_get_picture", "three.sph"));
    WriteFileBytes(plugins / "broken.sph", "no module");
    const std::string output = Run({plugins.path});

    std::string listing;
    for (const std::string& name : SearchOrder(plugins, "*.sph"))
        if (name != "broken.sph")
            listing += "Loaded Susie Plug-in\t" + name + "\n";
    EXPECT_NE(output.find("Searching for Plugins.\n" + listing + "No Script Info exists.\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Unexcepted error.\n"), std::string::npos) << output;
    EXPECT_EQ(PluginSet.count, 0);
    for (const char* name : {"one.sph", "two.sph", "three.sph"})
        EXPECT_EQ(GetModuleHandleA((plugins / name).c_str()), nullptr) << name << " is unloaded";
}

TEST_F(TesrunPluginsTest, NullInAnyLetterCaseLoadsNothing) {
    for (const char* word : {"null", "NULL", "Null", "nULl"}) {
        const std::string output = Run({word});
        EXPECT_NE(output.find("Ignored Pluins.\n"), std::string::npos) << word;
        EXPECT_EQ(output.find("Searching for Plugins."), std::string::npos) << word;
        EXPECT_EQ(output.find("Loaded Susie Plug-in"), std::string::npos) << word;
        EXPECT_EQ(PluginSet.count, 0);
    }
}

TEST_F(TesrunPluginsTest, ShippedPluginsAreListedFromTheirDirectory) {
    const std::string bin = TestProgramDirectory() + "\\..\\bin";
    const std::string output = Run({bin});
    std::string listing;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((bin + "\\*.sph").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do
        listing += std::string("Loaded Susie Plug-in\t") + found.cFileName + "\n";
    while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_NE(listing.find("ifnetpbm.sph"), std::string::npos);
    EXPECT_NE(listing.find("iftga.sph"), std::string::npos);
    EXPECT_NE(output.find("Searching for Plugins.\n" + listing), std::string::npos) << output;
}

} // namespace
