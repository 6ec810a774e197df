// The parts of tesfront that need no window: the converter's command line, cutting the
// settings file's lines, the launch paths and the details text.
#include "common/program_directory.h"
#include "frontend/command_line.h"
#include "frontend/frontend_dialog.h"
#include "frontend/settings_file.h"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Compose(std::vector<const char*> values, std::size_t size = kCommandLineSize) {
    std::vector<char> buffer(size, 'x');
    if (!ComposeCommandLine(buffer.data(), size, values.data(), values.size()))
        return "(does not fit: " + std::string(buffer.data()) + ")";
    return buffer.data();
}

// How a program started with this command line sees its arguments (Windows' rules).
std::vector<std::wstring> Parse(const std::string& commandLine) {
    std::wstring wide(commandLine.begin(), commandLine.end());
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(wide.c_str(), &count);
    std::vector<std::wstring> result(arguments, arguments + count);
    LocalFree(arguments);
    return result;
}

TEST(CommandLine, FiveOrSixQuotedValuesSeparatedBySpaces) {
    EXPECT_EQ(
        Compose({"C:\\T\\tesrun.exe", "C:\\T\\script\\a.txt", "C:\\in put", "C:\\out", "jpg|png"}),
        "\"C:\\T\\tesrun.exe\" \"C:\\T\\script\\a.txt\" \"C:\\in put\" \"C:\\out\" \"jpg|png\"");
    EXPECT_EQ(Compose({"p", "s", "i", "o", "bmp", "null"}),
              "\"p\" \"s\" \"i\" \"o\" \"bmp\" \"null\"");
}

TEST(CommandLine, TrailingBackslashesAndQuotesArriveUnchanged) {
    const std::vector<const char*> values = {
        "C:\\p\\tesrun.exe", "D:\\", "a\\\\", "x\"y", "q\\\"z", "\\"};
    const std::string line = Compose(values);
    EXPECT_EQ(line,
              "\"C:\\p\\tesrun.exe\" \"D:\\\\\" \"a\\\\\\\\\" \"x\\\"y\" \"q\\\\\\\"z\" \"\\\\\"");
    const std::vector<std::wstring> parsed = Parse(line);
    ASSERT_EQ(parsed.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(parsed[i], std::wstring(values[i], values[i] + std::strlen(values[i]))) << i;
}

TEST(CommandLine, SecondByteOfADoubleByteCharacterIsNoBackslash) {
    ASSERT_EQ(GetACP(), 932u);
    // 表 is 0x95 0x5C: its second byte before the closing quote is left alone.
    EXPECT_EQ(Compose({"C:\\\x95\x5C"}), "\"C:\\\x95\x5C\"");
    EXPECT_EQ(Compose({"C:\\\x95\x5C\\"}), "\"C:\\\x95\x5C\\\\\"");
}

TEST(CommandLine, TooLongForTheBufferIsRefusedEmpty) {
    EXPECT_EQ(Compose({"abc", "def"}, 12), "\"abc\" \"def\"");
    EXPECT_EQ(Compose({"abc", "def"}, 11), "(does not fit: )");
    EXPECT_EQ(Compose({"D:\\"}, 7), "\"D:\\\\\"");
    EXPECT_EQ(Compose({"D:\\"}, 6), "(does not fit: )");
}

TEST(CommandLine, LongestDialogValuesFit) {
    const std::string path(259, '\\'), extensions(511, '"');
    const char* values[] = {path.c_str(), path.c_str(),       path.c_str(),
                            path.c_str(), extensions.c_str(), path.c_str()};
    char buffer[kCommandLineSize];
    EXPECT_TRUE(ComposeCommandLine(buffer, sizeof buffer, values, 6));
}

TEST(SettingsLines, EachLineEndsAtCrLfCrLfOrNul) {
    char text[] = "a\r\nb\rc\nd\0e\0\0\0\0\0";
    char* line = text;
    std::vector<std::string> lines;
    for (int i = 0; i < 6; ++i) {
        char* next = CutLine(line);
        lines.push_back(line);
        line = next;
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "e", ""}));
}

TEST(SettingsLines, DoubleByteCharactersAreSteppedOver) {
    ASSERT_EQ(GetACP(), 932u);
    char text[] = "\x95\x5C\x8E\xA6\r\nnext\0\0";
    char* next = CutLine(text);
    EXPECT_STREQ(text, "\x95\x5C\x8E\xA6");
    EXPECT_STREQ(next, "next");
}

TEST(LaunchPaths, ComposedFromTheProgramDirectory) {
    CopyBounded(ProgramDirectory, sizeof ProgramDirectory, "C:\\Tessavel");
    LaunchPaths paths;
    EXPECT_EQ(ComposeLaunchPaths(paths, "thumb.txt"), 1);
    EXPECT_STREQ(paths.script, "C:\\Tessavel\\script\\thumb.txt");
    EXPECT_STREQ(paths.program, "C:\\Tessavel\\tesrun.exe");
}

TEST(LaunchPaths, PathsLongerThan259CharactersAreRefused) {
    const std::string folder = "C:\\" + std::string(240, 'd');
    CopyBounded(ProgramDirectory, sizeof ProgramDirectory, folder.c_str());
    LaunchPaths paths;
    EXPECT_EQ(ComposeLaunchPaths(paths, "a-rather-long-name.txt"), 0); // 243 + 8 + 22 > 259
    EXPECT_STREQ(paths.script, "");
    EXPECT_EQ(ComposeLaunchPaths(paths, "a.txt"), 1);          // 243 + 8 + 5 = 256
    const std::string longer = "C:\\" + std::string(246, 'd'); // + "\tesrun.exe" = 260
    CopyBounded(ProgramDirectory, sizeof ProgramDirectory, longer.c_str());
    EXPECT_EQ(ComposeLaunchPaths(paths, ""), 0);
    EXPECT_STREQ(paths.program, "");
    EXPECT_STRNE(paths.script, "");
}

TEST(Details, FourLabelledLinesWithTheVersionDotted) {
    ASSERT_EQ(GetACP(), 932u);
    ScriptCatalogEntry entry = {};
    std::strcpy(entry.fileName, "thumb.txt");
    std::strcpy(entry.name, "\x83\x54\x83\x80\x83\x6C\x83\x43\x83\x8B"); // サムネイル
    std::strcpy(entry.author, "Tessavel");
    entry.version[0] = 1;
    entry.version[3] = 1;
    wchar_t text[kDetailsSize];
    ASSERT_TRUE(ComposeDetailsText(text, kDetailsSize, entry));
    EXPECT_STREQ(text,
                 L"ファイル名\tthumb.txt\n説明\tサムネイル\n作者\tTessavel\nバージョン\t1.0.0.1");
}

TEST(Details, LongestTextsFit) {
    ScriptCatalogEntry entry = {};
    std::memset(entry.fileName, 'f', 259);
    std::memset(entry.name, 'n', 1023);
    std::memset(entry.author, 'a', 1023);
    entry.version[0] = entry.version[1] = entry.version[2] = entry.version[3] = 4294967295u;
    wchar_t text[kDetailsSize];
    EXPECT_TRUE(ComposeDetailsText(text, kDetailsSize, entry));
    EXPECT_FALSE(ComposeDetailsText(text, 100, entry));
    EXPECT_STREQ(text, L"");
}

} // namespace
