// The catalogue and the settings file against the real dialog (created hidden from
// tesfront's resource) and the real script.dll, in a program folder of the test's own.
#include "common/allocator.h"
#include "common/program_directory.h"
#include "frontend/dialog_values.h"
#include "frontend/frontend_dialog.h"
#include "frontend/resource_ids.h"
#include "frontend/script_catalog.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

INT_PTR CALLBACK IdleDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

std::string InfoScript(const std::string& info) {
    return "function Info() {\n" + info + "\n}\nfunction Main(w, h, n, i) {\n    return 1\n}\n";
}

// A program folder with script.dll, a script folder and a hidden dialog.
class FrontEndWindow : public ::testing::Test {
  protected:
    TempDir program;
    HWND dialog = nullptr;

    void SetUp() override {
        CopyFileA((TestProgramDirectory() + "\\..\\bin\\script.dll").c_str(),
                  (program / "script.dll").c_str(), FALSE);
        CreateDirectoryA((program / "script").c_str(), nullptr);
        ASSERT_TRUE(CopyBounded(ProgramDirectory, sizeof ProgramDirectory, program.path.c_str()));
        FreeStorage(ScriptCatalog.entries);
        ScriptCatalog = {};
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FRONTEND),
                                    nullptr, IdleDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override {
        PlanAllocationFailure(-1);
        if (dialog != nullptr)
            DestroyWindow(dialog);
    }

    int BuildCatalogue() { return BuildScriptCatalog(GetDlgItem(dialog, IDC_SCRIPT_LIST)); }
    void AddScript(const std::string& name, const std::string& text) {
        ASSERT_TRUE(WriteFileBytes(program.path + "\\script\\" + name, text));
    }
    // The script folder's "*.txt" names in the order of the directory search.
    std::vector<std::string> SearchOrder() {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((program.path + "\\script\\*.txt").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }
    std::vector<std::string> ListLines() {
        std::vector<std::string> lines;
        const auto count = SendDlgItemMessageA(dialog, IDC_SCRIPT_LIST, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char line[1100] = {};
            SendDlgItemMessageA(dialog, IDC_SCRIPT_LIST, CB_GETLBTEXT, i,
                                reinterpret_cast<LPARAM>(line));
            lines.push_back(line);
        }
        return lines;
    }
    std::string Field(int id) {
        char text[1024] = {};
        GetDlgItemTextA(dialog, id, text, sizeof text);
        return text;
    }
    void SetField(int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }
    LRESULT Selection() { return SendDlgItemMessageA(dialog, IDC_SCRIPT_LIST, CB_GETCURSEL, 0, 0); }
    void Select(LRESULT i) { SendDlgItemMessageA(dialog, IDC_SCRIPT_LIST, CB_SETCURSEL, i, 0); }
};

// ---- the catalogue -------------------------------------------------------------------

TEST_F(FrontEndWindow, CatalogueHoldsTheUsableScriptsInSearchOrder) {
    AddScript("thumb.txt", InfoScript("ReturnInfo(\"Thumbnail\", \"Tessavel\", 2, 1, 0, 7)"));
    AddScript("noinfo.txt", "function Main(w, h, n, i) {\n    return 1\n}\n");
    AddScript("silent.txt", InfoScript("x = 1"));
    AddScript("twin-a.txt", InfoScript("ReturnInfo(\"Twin\", \"A\", 1, 0, 0, 0)"));
    AddScript("twin-b.txt", InfoScript("ReturnInfo(\"Twin\", \"B\", 1, 0, 0, 0)"));
    AddScript("notes.md", InfoScript("ReturnInfo(\"Not a script\", \"x\", 1, 0, 0, 0)"));

    ASSERT_EQ(BuildCatalogue(), 1);
    std::vector<std::string> usable;
    for (const auto& name : SearchOrder())
        if (name != "noinfo.txt")
            usable.push_back(name);
    ASSERT_EQ(ScriptCatalog.count, 4u);
    std::vector<std::string> expectedLines;
    for (uint32_t i = 0; i < ScriptCatalog.count; ++i) {
        const ScriptCatalogEntry& entry = ScriptCatalog.entries[i];
        EXPECT_EQ(std::string(entry.fileName), usable[i]);
        const std::string file = entry.fileName;
        if (file == "thumb.txt") {
            EXPECT_STREQ(entry.name, "Thumbnail");
            EXPECT_STREQ(entry.author, "Tessavel");
            EXPECT_EQ(entry.version[0], 2u);
            EXPECT_EQ(entry.version[1], 1u);
            EXPECT_EQ(entry.version[2], 0u);
            EXPECT_EQ(entry.version[3], 7u);
        } else if (file == "silent.txt") { // Info ran without reporting: the defaults
            EXPECT_STREQ(entry.name, "Unknown");
            EXPECT_STREQ(entry.author, "Unknown");
            EXPECT_EQ(entry.version[0], 1u);
            EXPECT_EQ(entry.version[3], 1u);
        } else {
            EXPECT_STREQ(entry.name, "Twin");
            EXPECT_STREQ(entry.author, file == "twin-a.txt" ? "A" : "B");
        }
        expectedLines.push_back(entry.name);
    }
    // Two lines with the same text, told apart by their position only.
    EXPECT_EQ(ListLines(), expectedLines);
}

TEST_F(FrontEndWindow, CatalogueLinesAreInsertedAtTheirEntryIndex) {
    AddScript("one.txt", InfoScript("ReturnInfo(\"One\", \"x\", 1, 0, 0, 1)"));
    AddScript("two.txt", InfoScript("ReturnInfo(\"Two\", \"x\", 1, 0, 0, 1)"));
    SendDlgItemMessageA(dialog, IDC_SCRIPT_LIST, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>("older line"));
    ASSERT_EQ(BuildCatalogue(), 1);
    const std::vector<std::string> lines = ListLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], ScriptCatalog.entries[0].name);
    EXPECT_EQ(lines[1], ScriptCatalog.entries[1].name);
    EXPECT_EQ(lines[2], "older line");
}

TEST_F(FrontEndWindow, MissingScriptFolderGivesAnEmptyCatalogue) {
    RemoveDirectoryA((program / "script").c_str());
    EXPECT_EQ(BuildCatalogue(), 1);
    EXPECT_EQ(ScriptCatalog.count, 0u);
    EXPECT_TRUE(ListLines().empty());
}

TEST_F(FrontEndWindow, MissingEngineLeavesEveryScriptOut) {
    AddScript("one.txt", InfoScript("ReturnInfo(\"One\", \"x\", 1, 0, 0, 1)"));
    DeleteFileA((program / "script.dll").c_str());
    EXPECT_EQ(BuildCatalogue(), 1);
    EXPECT_EQ(ScriptCatalog.count, 0u);
    EXPECT_TRUE(ListLines().empty());
}

TEST_F(FrontEndWindow, NoStorageForTheEntriesFailsTheBuild) {
    AddScript("one.txt", InfoScript("ReturnInfo(\"One\", \"x\", 1, 0, 0, 1)"));
    PlanAllocationFailure(0);
    EXPECT_EQ(BuildCatalogue(), 0);
    PlanAllocationFailure(-1);
    EXPECT_EQ(ScriptCatalog.count, 0u);
    EXPECT_EQ(ScriptCatalog.entries, nullptr);
    EXPECT_TRUE(ListLines().empty());
}

// ---- the dialog's initialisation ---------------------------------------------------

TEST_F(FrontEndWindow, InitialisationSetsIconsDefaultsCatalogueAndDrops) {
    AddScript("one.txt", InfoScript("ReturnInfo(\"One\", \"x\", 1, 0, 0, 1)"));
    AddScript("two.txt", InfoScript("ReturnInfo(\"Two\", \"x\", 1, 0, 0, 1)"));
    HWND real = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FRONTEND),
                                   nullptr, FrontEndDialogProc, 0);
    ASSERT_NE(real, nullptr);
    auto big = reinterpret_cast<HICON>(SendMessageW(real, WM_GETICON, ICON_BIG, 0));
    auto small = reinterpret_cast<HICON>(SendMessageW(real, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    ICONINFO info = {};
    BITMAP bitmap = {};
    ASSERT_TRUE(GetIconInfo(big, &info));
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    ASSERT_TRUE(GetIconInfo(small, &info));
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    char extensions[64] = {};
    GetDlgItemTextA(real, IDC_EXTENSIONS, extensions, sizeof extensions);
    EXPECT_STREQ(extensions, "bmp|jpg|jpe|jpeg|png|gif");
    EXPECT_EQ(ScriptCatalog.count, 2u);
    EXPECT_EQ(SendDlgItemMessageA(real, IDC_SCRIPT_LIST, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendDlgItemMessageA(real, IDC_SCRIPT_LIST, CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(GetWindowLongW(real, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    // Closing stops accepting dropped files.
    SendMessageW(real, WM_CLOSE, 0, 0);
    EXPECT_FALSE(GetWindowLongW(real, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    DestroyWindow(real);
}

// ---- the settings file ---------------------------------------------------------------

class SettingsFile : public FrontEndWindow {
  protected:
    TempDir files;
    void SetUp() override {
        FrontEndWindow::SetUp();
        AddScript("alpha.txt", InfoScript("ReturnInfo(\"Alpha\", \"x\", 1, 0, 0, 1)"));
        AddScript("beta.txt", InfoScript("ReturnInfo(\"Beta\", \"x\", 1, 0, 0, 1)"));
        ASSERT_EQ(BuildCatalogue(), 1);
        ASSERT_EQ(ScriptCatalog.count, 2u);
    }
    LRESULT IndexOf(const char* fileName) {
        for (uint32_t i = 0; i < ScriptCatalog.count; ++i)
            if (std::string(ScriptCatalog.entries[i].fileName) == fileName)
                return static_cast<LRESULT>(i);
        return -1;
    }
    void Fill(const std::string& a, const std::string& b, const char* script, const std::string& d,
              const std::string& e) {
        SetField(IDC_SOURCE_FOLDER, a);
        SetField(IDC_DESTINATION_FOLDER, b);
        Select(script ? IndexOf(script) : -1);
        SetField(IDC_EXTENSIONS, d);
        SetField(IDC_PLUGIN_FOLDER, e);
    }
    int Load(const std::string& bytes) {
        const std::string path = files / "settings.txt";
        WriteFileBytes(path, bytes);
        return LoadDialogValues(dialog, path.c_str());
    }
    void ExpectFields(const std::string& a, const std::string& b, const char* script,
                      const std::string& d, const std::string& e) {
        EXPECT_EQ(Field(IDC_SOURCE_FOLDER), a);
        EXPECT_EQ(Field(IDC_DESTINATION_FOLDER), b);
        EXPECT_EQ(Selection(), IndexOf(script));
        EXPECT_EQ(Field(IDC_EXTENSIONS), d);
        EXPECT_EQ(Field(IDC_PLUGIN_FOLDER), e);
    }
};

TEST_F(SettingsFile, SavedFileIsFiveCrLfLinesAndLoadsBack) {
    const std::string folder = "C:\\\x95\x5C\x8E\xA6"; // C:\表示: trail bytes 0x5C, 0xA6
    Fill(folder, "D:\\", "beta.txt", "jpg|png", "null");
    const std::string path = files / "saved.txt";
    ASSERT_EQ(SaveDialogValues(dialog, path.c_str()), 1);
    EXPECT_EQ(ReadFileBytes(path), folder + "\r\nD:\\\r\nbeta.txt\r\njpg|png\r\nnull\r\n");

    Fill("", "", "alpha.txt", "", "");
    ASSERT_EQ(LoadDialogValues(dialog, path.c_str()), 1);
    ExpectFields(folder, "D:\\", "beta.txt", "jpg|png", "null");
}

TEST_F(SettingsFile, ReaderTakesAnyLineEndAndAMissingLastOne) {
    EXPECT_EQ(Load("C:\\a\nC:\\b\nbeta.txt\nbmp\nnull"), 1);
    ExpectFields("C:\\a", "C:\\b", "beta.txt", "bmp", "null");
    EXPECT_EQ(Load("C:\\c\rC:\\d\r\nalpha.txt\rgif\n\r\n"), 1);
    ExpectFields("C:\\c", "C:\\d", "alpha.txt", "gif", "");
}

TEST_F(SettingsFile, ThreeLinesEmptyTheLastTwoFields) {
    Fill("x", "y", "alpha.txt", "jpg", "null");
    EXPECT_EQ(Load("C:\\a\r\nC:\\b\r\nbeta.txt\r\n"), 1);
    ExpectFields("C:\\a", "C:\\b", "beta.txt", "", "");
}

TEST_F(SettingsFile, SixthLineIsIgnored) {
    EXPECT_EQ(Load("a\r\nb\r\nalpha.txt\r\nc\r\nd\r\nsixth\r\nseventh\r\n"), 1);
    ExpectFields("a", "b", "alpha.txt", "c", "d");
}

TEST_F(SettingsFile, EmptyFileFailsAfterEmptyingTheFolders) {
    Fill("x", "y", "beta.txt", "jpg", "null");
    EXPECT_EQ(Load(""), 0);
    ExpectFields("", "", "beta.txt", "jpg", "null");
}

TEST_F(SettingsFile, Utf16FileIsRefusedWithNoFieldChanged) {
    Fill("x", "y", "beta.txt", "jpg", "null");
    EXPECT_EQ(Load(std::string("\xFF\xFE"
                               "a\0\r\0\n\0",
                               8)),
              0);
    ExpectFields("x", "y", "beta.txt", "jpg", "null");
    EXPECT_EQ(Load(std::string("\xFE\xFF\0a", 4)), 0);
    ExpectFields("x", "y", "beta.txt", "jpg", "null");
}

TEST_F(SettingsFile, UnknownScriptFailsAfterSettingTheFolders) {
    Fill("x", "y", "beta.txt", "jpg", "null");
    EXPECT_EQ(Load("C:\\a\r\nC:\\b\r\ngone.txt\r\npng\r\n\r\n"), 0);
    ExpectFields("C:\\a", "C:\\b", "beta.txt", "jpg", "null");
    // Letter case counts: the file on disk is alpha.txt.
    EXPECT_EQ(Load("C:\\c\r\nC:\\d\r\nALPHA.TXT\r\npng\r\n\r\n"), 0);
    ExpectFields("C:\\c", "C:\\d", "beta.txt", "jpg", "null");
}

TEST_F(SettingsFile, MissingFileChangesNothing) {
    Fill("x", "y", "beta.txt", "jpg", "null");
    EXPECT_EQ(LoadDialogValues(dialog, (files / "none.txt").c_str()), 0);
    ExpectFields("x", "y", "beta.txt", "jpg", "null");
}

TEST_F(SettingsFile, SavingWithoutASelectedScriptFailsAfterTwoLines) {
    Fill("C:\\a", "C:\\b", nullptr, "jpg", "");
    const std::string path = files / "partial.txt";
    EXPECT_EQ(SaveDialogValues(dialog, path.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(path), "C:\\a\r\nC:\\b\r\n");
    EXPECT_EQ(SaveDialogValues(dialog, (files / "no-such-folder\\x.txt").c_str()), 0);
}

TEST_F(SettingsFile, OverlongLinesAreCutWhenTheFieldIsRead) {
    const std::string longFolder(300, 'f');
    const std::string longExtensions(600, 'e');
    EXPECT_EQ(Load(longFolder + "\r\nC:\\b\r\nalpha.txt\r\n" + longExtensions + "\r\n\r\n"), 1);
    EXPECT_EQ(Field(IDC_SOURCE_FOLDER), longFolder); // set whole
    const std::string path = files / "cut.txt";
    ASSERT_EQ(SaveDialogValues(dialog, path.c_str()), 1);
    EXPECT_EQ(ReadFileBytes(path), std::string(259, 'f') + "\r\nC:\\b\r\nalpha.txt\r\n" +
                                       std::string(511, 'e') + "\r\n\r\n");
}

} // namespace
