#include "common/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Directory(const std::string& path, std::size_t size = kPathSize) {
    char buffer[kPathSize];
    EXPECT_TRUE(DirectoryOfPath(buffer, size, path.c_str()));
    return buffer;
}

TEST(DirectoryOfPath, CutsAtTheLastBackslash) {
    EXPECT_EQ(Directory("C:\\Program Files\\Tessavel\\tesrun.exe"), "C:\\Program Files\\Tessavel");
    EXPECT_EQ(Directory("scripts\\thumb.txt"), "scripts");
    EXPECT_EQ(Directory("thumb.txt"), "thumb.txt") << "no backslash: taken whole";
    EXPECT_EQ(Directory("C:\\"), "C:");
    EXPECT_EQ(Directory(""), "");
}

TEST(DirectoryOfPath, DoubleByteTrailBackslashDoesNotCut) {
    // D:\表\ソ.txt: the directory is D:\表; the 0x5C bytes inside 表 and ソ stay.
    EXPECT_EQ(Directory("D:\\\x95\x5C\\\x83\x5C.txt"), "D:\\\x95\x5C");
    EXPECT_EQ(Directory("\x83\x5C.txt"), "\x83\x5C.txt");
}

TEST(DirectoryOfPath, RefusesWhatDoesNotFit) {
    char buffer[8];
    EXPECT_FALSE(DirectoryOfPath(buffer, sizeof buffer, "abcdefgh\\x"));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(DirectoryOfPath(buffer, sizeof buffer, "abcdefg\\x"));
    EXPECT_STREQ(buffer, "abcdefg");
}

TEST(FormatBounded, NeverCutsAPath) {
    char buffer[10];
    EXPECT_TRUE(FormatBounded(buffer, sizeof buffer, "%s\\%s", "abcd", "efgh"));
    EXPECT_STREQ(buffer, "abcd\\efgh");
    EXPECT_FALSE(FormatBounded(buffer, sizeof buffer, "%s\\%s", "abcd", "efghi"));
    EXPECT_STREQ(buffer, "") << "a cut-off path would name another file";
}

} // namespace

TEST(StaysInsideFolder, RefusesEveryWayOut) {
    struct Case {
        const char* name;
        bool inside;
    };
    const Case cases[] = {
        {"photo.jpg", true},
        {"sub\\photo.jpg", true},
        {"sub/deeper/photo.jpg", true},
        {".\\photo.jpg", true},
        {"..photo.jpg", true},  // dots inside a name climb nothing
        {"\x95\x5C.png", true}, // 表.png: a trail byte 0x5C is no separator
        {"console.png", true},
        {"com10.png", true},
        {"..", false},
        {"..\\escape.png", false},
        {"sub\\..\\..\\escape.png", false},
        {"sub/../escape.png", false},
        {".. \\escape.png", false}, // Windows shortens ".. " to ".."
        {"...\\escape.png", false},
        {"C:\\escape.png", false},
        {"C:escape.png", false},
        {"\\escape.png", false},
        {"/escape.png", false},
        {"\\\\server\\share\\escape.png", false},
        {"\\\\.\\PhysicalDrive0", false},
        {"\\\\?\\C:\\escape.png", false},
        {"photo.png:stream", false},
        {"NUL.png", false},
        {"sub\\con", false},
        {"aux .txt", false},
        {"COM1.jpg", false},
        {"lpt9", false},
        {"CONOUT$", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StaysInsideFolder(c.name), c.inside) << c.name;
}
