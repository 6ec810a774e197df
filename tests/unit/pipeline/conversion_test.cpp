// tesrun converting folders, in-process: console output and the files written.
#include "common/allocator.h"
#include "common/program_directory.h"
#include "driver/conversion_run.h"
#include "driver/header_prepend.h"
#include "scripthost/conversion_settings.h"
#include "scripthost/script_info.h"
#include "scripthost/script_runner.h"
#include "support/console_capture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kBanner = "Tessavel comammd-line tool Version 1.1\nIgnored Pluins.\n";

std::string Fixture(const char* name) {
    return TestProgramDirectory() + "\\fixtures\\" + name;
}

bool CopyFixture(const char* name, const std::string& to) {
    return CopyFileA(Fixture(name).c_str(), to.c_str(), FALSE) != FALSE;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Width and height of a BMP as its header gives them; 0, 0 when it is none.
std::pair<int32_t, int32_t> BmpSize(const std::string& bytes) {
    if (bytes.size() < 26 || bytes.compare(0, 2, "BM") != 0)
        return {0, 0};
    int32_t w = 0;
    int32_t h = 0;
    std::memcpy(&w, bytes.data() + 18, 4);
    std::memcpy(&h, bytes.data() + 22, 4);
    return {w, h};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct ConversionTest : ::testing::Test {
    ConsoleCapture console;
    TempDir scripts;
    TempDir source;
    TempDir destination;

    std::string WriteScript(const std::string& text, const char* name = "test.txt") {
        const std::string path = scripts / name;
        EXPECT_TRUE(WriteFileBytes(path, text));
        return path;
    }

    // Runs tesrun without plug-ins; returns what it printed after the script description.
    std::string Run(const std::string& script, const std::string& extensions,
                    std::string sourcePath = "", std::string destinationPath = "") {
        if (sourcePath.empty())
            sourcePath = source.path;
        if (destinationPath.empty())
            destinationPath = destination.path;
        ConsoleCapture::text.clear();
        EXPECT_EQ(RunTesrunWith({script, sourcePath, destinationPath, extensions, "null"}), 0);
        std::string text = ConsoleCapture::text;
        EXPECT_EQ(text.rfind(kBanner, 0), 0u) << text;
        return text;
    }

    std::string SourceLines(const std::string& sourcePath = "",
                            const std::string& destinationPath = "") const {
        return "Source\t\t" + (sourcePath.empty() ? source.path : sourcePath) + "\nDestination\t" +
               (destinationPath.empty() ? destination.path : destinationPath) + "\n";
    }
};

const char* const kNamingScript = R"(
function Info() { ReturnInfo("Naming", "Tests", 2, 1, 0, 7) }
function Main(width, height, name, index) {
    SetName(Format("%d_%dx%d.bmp", index, width, height))
    return 1
}
)";
const std::string kNamingInfo = "Script Info\nName\tNaming\nAuthor\tTests\nVersion\t2.1.0.7\n";

TEST_F(ConversionTest, ThreeFilesAreNumberedAndIndexedInTheOrderTheFolderGives) {
    ASSERT_TRUE(CopyFixture("red.png", source / "red.png"));
    ASSERT_TRUE(CopyFixture("blue.bmp", source / "blue.bmp"));
    ASSERT_TRUE(CopyFixture("photo.jpg", source / "photo.jpg"));
    const std::string text = Run(WriteScript(kNamingScript), "png|bmp|jpg");
    const auto lines = Lines(text.substr(kBanner.size()));
    const std::map<std::string, std::string> sizes = {
        {"red.png", "40x30"}, {"blue.bmp", "20x10"}, {"photo.jpg", "64x48"}};
    ASSERT_EQ(lines.size(), 4u + 2u + 6u + 1u) << text;
    EXPECT_EQ(text.substr(kBanner.size(), kNamingInfo.size() + SourceLines().size()),
              kNamingInfo + SourceLines());
    std::set<std::string> seen;
    for (int k = 0; k < 3; ++k) {
        const std::string& progress = lines[6 + 2 * k];
        const std::string prefix = std::to_string(k + 1) + "/3\t";
        ASSERT_EQ(progress.rfind(prefix, 0), 0u) << progress;
        const std::string name = progress.substr(prefix.size());
        ASSERT_EQ(sizes.count(name), 1u) << name;
        seen.insert(name);
        const std::string output = std::to_string(k) + "_" + sizes.at(name) + ".bmp";
        EXPECT_EQ(lines[7 + 2 * k], "Save as\t" + output + "\t");
        // Main drew nothing: a 1 x 1 BMP under the name it chose.
        EXPECT_EQ(BmpSize(ReadFileBytes(destination / output)), std::make_pair(1, 1));
    }
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(lines.back(), "Finished.");
    EXPECT_EQ(ConsoleCapture::pauses, std::vector<DWORD>{3000});
}

TEST_F(ConversionTest, AFailingFileDoesNotStopTheOthers) {
    ASSERT_TRUE(CopyFixture("red.png", source / "a.png"));
    ASSERT_TRUE(CopyFixture("broken.png", source / "b.png"));
    ASSERT_TRUE(CopyFixture("red.png", source / "c.png"));
    const std::string text = Run(WriteScript(kNamingScript), "png");
    int failed = 0;
    int saved = 0;
    const auto lines = Lines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("\tb.png") != std::string::npos) {
            ASSERT_LT(i + 1, lines.size());
            EXPECT_EQ(lines[i + 1], "Failed.") << "no Save as line for an undecodable file";
        }
        failed += lines[i] == "Failed.";
        saved += lines[i].rfind("Save as\t", 0) == 0;
    }
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(saved, 2);
    EXPECT_EQ(lines.back(), "Finished.");
}

TEST_F(ConversionTest, ScriptWithoutUserFunctionsSavesOneByOneUnderTheInputName) {
    ASSERT_TRUE(CopyFixture("blue.bmp", source / "blue.bmp"));
    const std::string text = Run(WriteScript("function Main(w, h, n, i) { return 1 }\n"), "bmp");
    EXPECT_EQ(text, kBanner + "No Script Info exists.\n" + SourceLines() +
                        "1/1\tblue.bmp\nSave as\tblue.bmp\t\nFinished.\n");
    EXPECT_EQ(BmpSize(ReadFileBytes(destination / "blue.bmp")), std::make_pair(1, 1));
}

TEST_F(ConversionTest, AcceptedNamesByTheirLastExtension) {
    for (const char* name : {"A.JPG", "b.jpg", "c.Jpg", "d.jpeg", "e", "f.jpg.txt"})
        ASSERT_TRUE(WriteFileBytes(source / name, "not an image"));
    const std::string text = Run(WriteScript(kNamingScript), "jpg");
    std::set<std::string> progressed;
    for (const auto& line : Lines(text))
        if (line.size() > 4 && line[1] == '/' && line[2] == '3' && line[3] == '\t')
            progressed.insert(line.substr(4));
    EXPECT_EQ(progressed, (std::set<std::string>{"A.JPG", "b.jpg", "c.Jpg"})) << text;
}

TEST_F(ConversionTest, JapaneseNamesWithABackslashTrailByte) {
    // 表 is 0x95 0x5C in code page 932: its second byte is no path separator.
    const std::string name = "\x95\x5c\x8e\xca.png";
    ASSERT_TRUE(CopyFixture("red.png", source / name));
    const std::string text =
        Run(WriteScript("function Main(w, h, n, i) { SetName(n + \".bmp\"); return 1 }\n"), "PNG");
    EXPECT_EQ(text, kBanner + "No Script Info exists.\n" + SourceLines() + "1/1\t" + name +
                        "\nSave as\t" + name + ".bmp\t\nFinished.\n");
    EXPECT_EQ(BmpSize(ReadFileBytes(destination / (name + ".bmp"))), std::make_pair(1, 1));
}

TEST_F(ConversionTest, DirectoriesAreJudgedByTheirNames) {
    ASSERT_TRUE(CreateDirectoryA((source / "x.png").c_str(), nullptr));
    std::string text = Run(WriteScript(kNamingScript), "png");
    EXPECT_EQ(text, kBanner + kNamingInfo + SourceLines() + "1/1\tx.png\nFailed.\nFinished.\n");

    // An empty entry accepts the entries of the folder itself and of its parent.
    RemoveDirectoryA((source / "x.png").c_str());
    text = Run(WriteScript(kNamingScript), "bmp|");
    const auto lines =
        Lines(text.substr(kBanner.size() + kNamingInfo.size() + SourceLines().size()));
    EXPECT_EQ(std::set<std::string>({lines.at(0), lines.at(2)}),
              (std::set<std::string>{"1/2\t.", "2/2\t.."}))
        << text;
    EXPECT_EQ(lines.at(1), "Failed.");
    EXPECT_EQ(lines.at(3), "Failed.");
}

TEST_F(ConversionTest, FoldersThatAreMissingOrHoldNothingAccepted) {
    const std::string script = WriteScript(kNamingScript);
    const std::string missing = source / "no-such-folder";
    EXPECT_EQ(Run(script, "png", missing),
              kBanner + kNamingInfo + SourceLines(missing) + "Finished.\n");

    ASSERT_TRUE(WriteFileBytes(source / "notes.txt", "text"));
    EXPECT_EQ(Run(script, "png"), kBanner + kNamingInfo + SourceLines() + "Finished.\n");

    // A destination that does not exist is not created: the image fails at saving.
    ASSERT_TRUE(CopyFixture("red.png", source / "red.png"));
    const std::string nowhere = destination / "missing";
    EXPECT_EQ(Run(script, "png", "", nowhere),
              kBanner + kNamingInfo + SourceLines("", nowhere) +
                  "1/1\tred.png\nSave as\t0_40x30.bmp\t\nFailed.\nFinished.\n");
    EXPECT_FALSE(Exists(nowhere));
}

TEST_F(ConversionTest, MissingScriptOrEngineEndsTheRunBeforeTheSourceLine) {
    EXPECT_EQ(Run(scripts / "missing.txt", "png"),
              kBanner + "No Script Info exists.\nUnexcepted error.\n");
    EXPECT_EQ(Run(WriteScript("function Main( {\n"), "png"),
              kBanner + "No Script Info exists.\nUnexcepted error.\n")
        << "a script the engine can't read";

    const std::string engine = TestProgramDirectory() + "\\script.dll";
    const std::string aside = TestProgramDirectory() + "\\script.dll.aside";
    ASSERT_TRUE(MoveFileA(engine.c_str(), aside.c_str()));
    const std::string text = Run(WriteScript(kNamingScript), "png");
    ASSERT_TRUE(MoveFileA(aside.c_str(), engine.c_str()));
    EXPECT_EQ(text, kBanner + "No Script Info exists.\nUnexcepted error.\n");
}

TEST_F(ConversionTest, SettingsStartAfreshForEveryImage) {
    ASSERT_TRUE(WriteFileBytes(scripts / "header.bin", std::string(100, 'H')));
    ASSERT_TRUE(CopyFixture("blue.bmp", source / "one.bmp"));
    ASSERT_TRUE(CopyFixture("blue.bmp", source / "two.bmp"));
    const std::string text = Run(WriteScript(R"(
SetQuality(3)
SetName("top-level.bmp")
function Main(width, height, name, index) {
    if index == 0 {
        SetQuality(5)
        SetExifHeaderFile("header.bin")
    }
    SetName(Format("%d.bmp", index))
    return 1
}
)"),
                                 "bmp");
    EXPECT_EQ(text.find("top-level"), std::string::npos);
    const std::string first = ReadFileBytes(destination / "0.bmp");
    const std::string second = ReadFileBytes(destination / "1.bmp");
    ASSERT_EQ(first.size(), 100 + second.size()) << text;
    EXPECT_EQ(first.substr(0, 100), std::string(100, 'H'));
    EXPECT_EQ(first.substr(100), second);
    EXPECT_EQ(BmpSize(second), std::make_pair(1, 1));
    EXPECT_EQ(ConversionSettings.quality, 75) << "the second image was back at 75";
    EXPECT_EQ(ConversionSettings.exifHeaderFile[0], '\0');
}

TEST_F(ConversionTest, MissingOrEmptyHeaderFile) {
    ASSERT_TRUE(CopyFixture("blue.bmp", source / "blue.bmp"));
    const char* script = R"(
function Main(width, height, name, index) { SetExifHeaderFile(header); return 1 }
)";
    EXPECT_EQ(Run(WriteScript(std::string("header = \"missing.bin\"\n") + script), "bmp"),
              kBanner + "No Script Info exists.\n" + SourceLines() +
                  "1/1\tblue.bmp\nSave as\tblue.bmp\t\nFailed.\nFinished.\n");
    const std::string plain = ReadFileBytes(destination / "blue.bmp");
    EXPECT_EQ(BmpSize(plain), std::make_pair(1, 1)) << "saved without header";

    ASSERT_TRUE(WriteFileBytes(scripts / "empty.bin", ""));
    EXPECT_EQ(Run(WriteScript(std::string("header = \"empty.bin\"\n") + script), "bmp"),
              kBanner + "No Script Info exists.\n" + SourceLines() +
                  "1/1\tblue.bmp\nSave as\tblue.bmp\t\nFinished.\n");
    EXPECT_EQ(ReadFileBytes(destination / "blue.bmp"), plain);
}

TEST_F(ConversionTest, ComposedPathsThatDoNotFitFailTheImage) {
    ASSERT_TRUE(CopyFixture("blue.bmp", source / "blue.bmp"));
    // The output name fits its 259 bytes, the destination path with it does not.
    const std::string text = Run(WriteScript(R"(
function Main(width, height, name, index) {
    long = ""
    for i = 1 to 250 { long = long + "n" }
    SetName(long + ".bmp")
    return 1
}
)"),
                                 "bmp");
    const std::string name = std::string(250, 'n') + ".bmp";
    EXPECT_EQ(text, kBanner + "No Script Info exists.\n" + SourceLines() +
                        "1/1\tblue.bmp\nSave as\t" + name + "\t\nFailed.\nFinished.\n");
}

TEST_F(ConversionTest, ScriptDescription) {
    ASSERT_TRUE(CopyFixture("blue.bmp", source / "blue.bmp"));
    const std::string main = "function Main(w, h, n, i) { return 1 }\n";
    auto described = [&](const std::string& script) {
        const std::string text = Run(WriteScript(script + main), "none");
        return text.substr(kBanner.size(), text.find("Source") - kBanner.size());
    };
    EXPECT_EQ(described("function Info() { ReturnInfo(\"N\", \"A\", 2, 1, 0, 7) }\n"),
              "Script Info\nName\tN\nAuthor\tA\nVersion\t2.1.0.7\n");
    EXPECT_EQ(described("function Info() { return 1 }\n"),
              "Script Info\nName\tUnknown\nAuthor\tUnknown\nVersion\t1.0.0.1\n");
    EXPECT_EQ(described("ReturnInfo(\"Top\", \"Level\", 9, 9, 9, 9)\n"
                        "function Info() { return 1 }\n"),
              "Script Info\nName\tUnknown\nAuthor\tUnknown\nVersion\t1.0.0.1\n");
    EXPECT_EQ(described("function Info() {\n ReturnInfo(\"1\", \"1\", 1, 1, 1, 1)\n"
                        " ReturnInfo(\"2\", \"2\", 2, 2, 2, 2)\n}\n"),
              "Script Info\nName\t2\nAuthor\t2\nVersion\t2.2.2.2\n");
    EXPECT_EQ(described(""), "No Script Info exists.\n");
}

TEST_F(ConversionTest, NoStorageForTheNameTableFailsTheRunAfterTheSourceLine) {
    ASSERT_TRUE(CopyFixture("blue.bmp", source / "blue.bmp"));
    const std::string script = WriteScript(kNamingScript);
    PlanAllocationFailure(1); // the extension list gets its storage, the name table none
    const std::string text = Run(script, "bmp");
    PlanAllocationFailure(-1);
    EXPECT_EQ(text, kBanner + kNamingInfo + SourceLines() + "Unexcepted error.\n");
    EXPECT_EQ(ConsoleCapture::pauses, std::vector<DWORD>{3000});
}

TEST(ProgramDirectoryLimit, TooLongForTheEnginePathFailsCleanly) {
    const std::string saved = ProgramDirectory;
    std::memset(ProgramDirectory, 'd', 249);
    ProgramDirectory[249] = '\0';
    std::strcpy(ScriptInfo.name, "before");
    EXPECT_EQ(ReadScriptInfo("any.txt", RunScript), 0);
    EXPECT_STREQ(ScriptInfo.name, "before");
    ConsoleCapture console;
    EXPECT_EQ(RunConversion("any.txt", "a", "b"), 0);
    EXPECT_EQ(ConsoleCapture::text, "");
    std::memset(ProgramDirectory, 0, sizeof ProgramDirectory);
    std::strcpy(ProgramDirectory, saved.c_str());
}

TEST(HeaderPrepend, HeaderBytesGoFirstAndAFailureLeavesTheSavedFileAsItWas) {
    TempDir folder;
    std::string header(100, '\0');
    std::string image(600, '\0');
    for (int i = 0; i < 100; ++i)
        header[i] = static_cast<char>(i);
    for (int i = 0; i < 600; ++i)
        image[i] = static_cast<char>(255 - i % 256);
    ASSERT_TRUE(WriteFileBytes(folder / "h.bin", header));
    ASSERT_TRUE(WriteFileBytes(folder / "out.jpg", image));
    ASSERT_NE(PrependHeaderFile((folder / "out.jpg").c_str(), (folder / "h.bin").c_str()), 0);
    EXPECT_EQ(ReadFileBytes(folder / "out.jpg"), header + image);

    ASSERT_TRUE(WriteFileBytes(folder / "out.jpg", image));
    EXPECT_EQ(PrependHeaderFile((folder / "out.jpg").c_str(), (folder / "none.bin").c_str()), 0);
    EXPECT_EQ(PrependHeaderFile((folder / "none.jpg").c_str(), (folder / "h.bin").c_str()), 0);
    EXPECT_FALSE(Exists(folder / "none.jpg")) << "the saved file is never created";
    for (long successes : {0L, 1L}) {
        PlanAllocationFailure(successes);
        EXPECT_EQ(PrependHeaderFile((folder / "out.jpg").c_str(), (folder / "h.bin").c_str()), 0);
        PlanAllocationFailure(-1);
    }
    // Someone holds the saved file open, so it can't be replaced.
    HANDLE holder = CreateFileA((folder / "out.jpg").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(PrependHeaderFile((folder / "out.jpg").c_str(), (folder / "h.bin").c_str()), 0);
    CloseHandle(holder);
    EXPECT_EQ(ReadFileBytes(folder / "out.jpg"), image) << "unchanged after every failure";

    // Nothing is left behind beside it.
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder / "*.tmp").c_str(), &entry);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << entry.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

} // namespace
