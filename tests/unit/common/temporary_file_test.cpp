#include "common/temporary_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(TemporaryFile, FitsWhereverTheTargetFits) {
    TempDir dir;
    for (size_t length = 1; length <= 20; ++length) {
        const std::string target = dir.path + "\\" + std::string(length, 'n');
        TemporaryFile temporary;
        ASSERT_TRUE(temporary.CreateBeside(target.c_str())) << length;
        EXPECT_LE(std::strlen(temporary.path), target.size()) << temporary.path;
        EXPECT_NE(std::string(temporary.path), target);
        EXPECT_EQ(std::string(temporary.path).rfind(dir.path + "\\", 0), 0u) << "same folder";
        EXPECT_NE(GetFileAttributesA(temporary.path), INVALID_FILE_ATTRIBUTES);
    }
    // A target whose path already has the full 259 bytes still gets a temporary file.
    const std::string longest = dir.path + "\\" + std::string(259 - dir.path.size() - 1, 'x');
    TemporaryFile temporary;
    EXPECT_TRUE(temporary.CreateBeside(longest.c_str()));
}

TEST(TemporaryFile, ReplacesTheTargetOrLeavesNothing) {
    TempDir dir;
    const std::string target = dir.path + "\\out.png";
    ASSERT_TRUE(WriteFileBytes(target, "old"));

    std::string abandoned;
    {
        TemporaryFile temporary;
        ASSERT_TRUE(temporary.CreateBeside(target.c_str()));
        abandoned = temporary.path;
    }
    EXPECT_EQ(GetFileAttributesA(abandoned.c_str()), INVALID_FILE_ATTRIBUTES) << "removed";
    EXPECT_EQ(ReadFileBytes(target), "old");

    TemporaryFile temporary;
    ASSERT_TRUE(temporary.CreateBeside(target.c_str()));
    ASSERT_TRUE(WriteFileBytes(temporary.path, "new"));
    ASSERT_TRUE(temporary.MoveOnto(target.c_str()));
    EXPECT_FALSE(temporary.exists);
    EXPECT_EQ(ReadFileBytes(target), "new");

    const std::string missingFolder = dir.path + "\\no such folder\\out.png";
    EXPECT_FALSE(temporary.CreateBeside(missingFolder.c_str()));
}

} // namespace
