#include "metadata/declared_size.h"

#include "imaging_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

size_t ReadFromFile(void* context, uint64_t offset, unsigned char* buffer, size_t length) {
    FILE* file = static_cast<FILE*>(context);
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
        return 0;
    return std::fread(buffer, 1, length, file);
}

TEST(DeclaredSize, ReadsTheHeaderOfEveryFormatGdiplusReads) {
    for (const char* name :
         {"sizes.png", "sizes.gif", "sizes.bmp", "sizes-core.bmp", "sizes.jpg",
          "sizes-progressive.jpg", "sizes-big-endian.tif", "sizes-little-endian.tif"}) {
        FILE* file = std::fopen(Fixture(name).c_str(), "rb");
        ASSERT_NE(file, nullptr) << name;
        DeclaredSize size;
        EXPECT_TRUE(ReadDeclaredSize(FileReader{ReadFromFile, file}, &size)) << name;
        EXPECT_EQ(size.width, 13u) << name;
        EXPECT_EQ(size.height, 7u) << name;
        std::fclose(file);
    }
}

TEST(DeclaredSize, LeavesOtherFilesToGdiplus) {
    FILE* file = std::fopen(Fixture("text.png").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    DeclaredSize size;
    EXPECT_FALSE(ReadDeclaredSize(FileReader{ReadFromFile, file}, &size));
    std::fclose(file);
}

} // namespace
