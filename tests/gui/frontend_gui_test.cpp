// tesfront as a user meets it: the real program in a program folder of its own, on a
// display of its own, driven with window messages; a stand-in tesrun records every start.
#include "gui/gui_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace gui;

namespace {

constexpr int kSource = 1001, kSourceBrowse = 1002, kDestination = 1003, kScripts = 1005,
              kDetails = 1006, kExtensions = 1007, kPlugins = 1008;

std::string InfoScript(const char* name, const char* author, const char* version) {
    return std::string("function Info() {\n    ReturnInfo(\"") + name + "\", \"" + author + "\", " +
           version + ")\n}\n\nfunction Main(width, height, name, index) {\n    return 1\n}\n";
}

// A front-end with two usable scripts, started, its dialog found.
struct Running {
    FrontEnd frontEnd;
    HWND dialog = nullptr;

    Running() {
        frontEnd.AddScript("alpha.txt", InfoScript("Alpha", "Tessavel", "1, 0, 0, 1"));
        frontEnd.AddScript("beta.txt", InfoScript("Beta", "Someone", "2, 1, 0, 7"));
        if (frontEnd.Start())
            dialog = frontEnd.WaitForDialog();
    }
    // Fills the fields a launch needs.
    void Fill(const std::string& source, const std::string& destination,
              const std::string& extensions = "jpg|png", const std::string& plugins = "") {
        SetField(dialog, kSource, source);
        SetField(dialog, kDestination, destination);
        SetField(dialog, kExtensions, extensions);
        SetField(dialog, kPlugins, plugins);
    }
    // The error box that must come, its text; the box is answered with OK.
    std::wstring ErrorText() {
        HWND box = frontEnd.WaitForBox(L"エラー");
        if (box == nullptr)
            return L"(no error box)";
        std::wstring text = MessageBoxText(box);
        EXPECT_EQ(MessageBoxButtons(box), std::vector<int>{IDOK});
        EXPECT_FALSE(MessageBoxHasIcon(box));
        EXPECT_TRUE(Answer(box, IDOK));
        return text;
    }
    // The control with the focus once it has reached the expected one (the focus moves
    // after the box has gone and the dialog is active again), or where it stayed.
    int FocusSettlesOn(int expected) {
        int id = 0;
        WaitFor(
            [&] {
                HWND focus = FocusedControl(dialog);
                id = focus != nullptr && GetParent(focus) == dialog ? GetDlgCtrlID(focus) : 0;
                return id == expected;
            },
            5000);
        return id;
    }
};

std::string ScriptPath(const Running& r, const char* name) {
    return r.frontEnd.folder() + "\\script\\" + name;
}

TEST(FrontEndGui, ShowsItsCataloguedScriptsAndDefaults) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    // The list's lines stand in the order of the directory search.
    std::vector<std::wstring> expected;
    WIN32_FIND_DATAW found;
    const std::string folder = r.frontEnd.folder();
    HANDLE search = FindFirstFileW(
        std::wstring(folder.begin(), folder.end()).append(L"\\script\\*.txt").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do
        expected.push_back(std::wstring(found.cFileName) == L"alpha.txt" ? L"Alpha" : L"Beta");
    while (FindNextFileW(search, &found));
    FindClose(search);

    HWND list = GetDlgItem(r.dialog, kScripts);
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
    for (int i = 0; i < 2; ++i) {
        wchar_t line[64] = {};
        SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(line));
        EXPECT_EQ(std::wstring(line), expected[i]);
    }
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(FieldText(r.dialog, kExtensions), "bmp|jpg|jpe|jpeg|png|gif");
    EXPECT_EQ(FieldText(r.dialog, kSource), "");
    EXPECT_EQ(FieldText(r.dialog, kDestination), "");
    EXPECT_EQ(FieldText(r.dialog, kPlugins), "");
    EXPECT_EQ(WindowText(GetDlgItem(r.dialog, IDOK)), L"変換開始");
    EXPECT_EQ(WindowText(GetDlgItem(r.dialog, kSourceBrowse)), L"参照");
}

TEST(FrontEndGui, WithoutScriptsItSaysSoAndEnds) {
    FrontEnd frontEnd; // an empty script folder
    ASSERT_TRUE(frontEnd.Start());
    HWND box = frontEnd.WaitForBox(L"エラー", 60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"スクリプトが見つかりません。起動を中止します。");
    EXPECT_TRUE(Answer(box, IDOK));
    EXPECT_EQ(frontEnd.WaitForExit(), 0);
}

TEST(FrontEndGui, LaunchChecksComeInOrderEachWithItsFocus) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    r.Fill("", "", "", "");
    SendMessageW(GetDlgItem(r.dialog, kScripts), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    Click(r.dialog, IDOK);
    EXPECT_EQ(r.ErrorText(), L"スクリプトを選択してください。");
    EXPECT_EQ(r.FocusSettlesOn(kScripts), kScripts);

    // Everything empty but the script: only the source folder is asked for.
    SendMessageW(GetDlgItem(r.dialog, kScripts), CB_SETCURSEL, 1, 0);
    Click(r.dialog, IDOK);
    EXPECT_EQ(r.ErrorText(), L"入力元のフォルダを指定してください。");
    EXPECT_EQ(r.FocusSettlesOn(kSource), kSource);
    EXPECT_EQ(r.frontEnd.WaitForBox(L"エラー", 300), nullptr) << "a second message followed";

    SetField(r.dialog, kSource, "C:\\in");
    Click(r.dialog, IDOK);
    EXPECT_EQ(r.ErrorText(), L"出力先のフォルダを指定してください。");
    EXPECT_EQ(r.FocusSettlesOn(kDestination), kDestination);

    SetField(r.dialog, kDestination, "C:\\out");
    Click(r.dialog, IDOK);
    EXPECT_EQ(r.ErrorText(), L"読み込むファイルの拡張子を指定してください");
    EXPECT_EQ(r.FocusSettlesOn(kExtensions), kExtensions);
    EXPECT_TRUE(r.frontEnd.Launches().empty());
}

TEST(FrontEndGui, StartsTesrunWithExactlyTheTypedValues) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    SendMessageW(GetDlgItem(r.dialog, kScripts), CB_SETCURSEL, 0, 0);
    wchar_t first[64] = {};
    SendMessageW(GetDlgItem(r.dialog, kScripts), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    const std::string scriptFile = std::wstring(first) == L"Alpha" ? "alpha.txt" : "beta.txt";

    // Five values with the plug-in field empty.
    r.Fill("C:\\images in", "C:\\out", "jpg|png");
    Click(r.dialog, IDOK);
    auto launches = r.frontEnd.WaitForLaunches(1);
    ASSERT_EQ(launches.size(), 1u);
    const std::string program = r.frontEnd.folder() + "\\tesrun.exe";
    EXPECT_EQ(launches[0].commandLine, "\"" + program + "\" \"" +
                                           ScriptPath(r, scriptFile.c_str()) +
                                           "\" \"C:\\images in\" \"C:\\out\" \"jpg|png\"");
    EXPECT_EQ(launches[0].arguments,
              (std::vector<std::string>{ScriptPath(r, scriptFile.c_str()), "C:\\images in",
                                        "C:\\out", "jpg|png"}));
    EXPECT_EQ(launches[0].currentDirectory, r.frontEnd.folder());
}

TEST(FrontEndGui, PluginNullMakesSixValuesAndTwoLaunchesRunSideBySide) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    r.Fill("C:\\in", "C:\\out", "bmp", "null");
    Click(r.dialog, IDOK);
    ASSERT_EQ(r.frontEnd.WaitForLaunches(1).size(), 1u);
    // The first converter still runs (it waits for its release): the dialog did not wait.
    Click(r.dialog, IDOK);
    auto launches = r.frontEnd.WaitForLaunches(2);
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_NE(launches[0].processId, launches[1].processId);
    for (const auto& launch : launches) {
        ASSERT_EQ(launch.arguments.size(), 5u);
        EXPECT_EQ(launch.arguments[4], "null");
    }
}

TEST(FrontEndGui, FolderEndingInBackslashReachesTesrunWhole) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    // A drive root as the folder browser returns it, a folder whose last character's second
    // byte is 0x5C (表), a double quote typed into the extension list.
    const std::string kanji = Ansi(L"C:\\画像\\表");
    r.Fill("D:\\", kanji, "jpg\"|\\\"png", "E:\\plugins\\\\");
    Click(r.dialog, IDOK);
    auto launches = r.frontEnd.WaitForLaunches(1);
    ASSERT_EQ(launches.size(), 1u);
    ASSERT_EQ(launches[0].arguments.size(), 5u);
    EXPECT_EQ(launches[0].arguments[1], "D:\\");
    EXPECT_EQ(launches[0].arguments[2], kanji);
    EXPECT_EQ(launches[0].arguments[3], "jpg\"|\\\"png");
    EXPECT_EQ(launches[0].arguments[4], "E:\\plugins\\\\");
}

TEST(FrontEndGui, SameFolderIsQuestionedOnlyWhenTheTextsMatch) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    // Letter case differs: asked; Cancel starts nothing and changes nothing.
    r.Fill("C:\\Photos", "c:\\photos", "jpg", "");
    Click(r.dialog, IDOK);
    HWND question = r.frontEnd.WaitForBox(L"確認");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageBoxText(question), L"入力元と出力先に同じフォルダが指定されています。\n元の画"
                                        L"像が上書きされる可能性があります。\n"
                                        L"続行するにはOKをクリックしてください。");
    std::vector<int> buttons = MessageBoxButtons(question);
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(buttons, (std::vector<int>{IDOK, IDCANCEL}));
    EXPECT_FALSE(MessageBoxHasIcon(question));
    ASSERT_TRUE(Answer(question, IDCANCEL));
    EXPECT_EQ(FieldText(r.dialog, kSource), "C:\\Photos");
    EXPECT_EQ(FieldText(r.dialog, kDestination), "c:\\photos");

    // A trailing backslash makes the texts differ: no question, started at once.
    SetField(r.dialog, kDestination, "C:\\Photos\\");
    Click(r.dialog, IDOK);
    auto launches = r.frontEnd.WaitForLaunches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].arguments[2], "C:\\Photos\\");
    EXPECT_EQ(r.frontEnd.WaitForBox(L"確認", 300), nullptr);

    // Asked again and answered OK: started.
    SetField(r.dialog, kDestination, "C:\\PHOTOS");
    Click(r.dialog, IDOK);
    question = r.frontEnd.WaitForBox(L"確認");
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(Answer(question, IDOK));
    EXPECT_EQ(r.frontEnd.WaitForLaunches(2).size(), 2u);
}

TEST(FrontEndGui, EnterLaunchesAndEscCloses) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    r.Fill("C:\\in", "C:\\out");
    PressKey(GetDlgItem(r.dialog, kDestination), VK_RETURN);
    EXPECT_EQ(r.frontEnd.WaitForLaunches(1).size(), 1u);
    PressKey(GetDlgItem(r.dialog, kSource), VK_ESCAPE);
    EXPECT_EQ(r.frontEnd.WaitForExit(), 0);
}

TEST(FrontEndGui, DetailsShowTheSelectedScript) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    HWND list = GetDlgItem(r.dialog, kScripts);
    const int alpha = static_cast<int>(SendMessageW(
        list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Alpha")));
    ASSERT_GE(alpha, 0);
    SendMessageW(list, CB_SETCURSEL, alpha, 0);
    Click(r.dialog, kDetails);
    HWND box = r.frontEnd.WaitForBox(L"情報");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box),
              L"ファイル名\talpha.txt\n説明\tAlpha\n作者\tTessavel\nバージョン\t1.0.0.1");
    EXPECT_EQ(MessageBoxButtons(box), std::vector<int>{IDOK});
    EXPECT_TRUE(Answer(box, IDOK));
}

TEST(FrontEndGui, DroppingThreeFilesLoadsTheFirst) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    TempDir files;
    WriteFileBytes(files / "first.txt", "C:\\from\r\nC:\\to\r\nbeta.txt\r\npng\r\nnull\r\n");
    WriteFileBytes(files / "second.txt", "C:\\x\r\nC:\\y\r\nalpha.txt\r\nbmp\r\n\r\n");
    WriteFileBytes(files / "third.txt", "C:\\z\r\nC:\\w\r\nalpha.txt\r\ngif\r\n\r\n");
    DropFiles(r.dialog, {files / "first.txt", files / "second.txt", files / "third.txt"});
    ASSERT_TRUE(WaitFor([&] { return FieldText(r.dialog, kPlugins) == "null"; }));
    EXPECT_EQ(FieldText(r.dialog, kSource), "C:\\from");
    EXPECT_EQ(FieldText(r.dialog, kDestination), "C:\\to");
    EXPECT_EQ(FieldText(r.dialog, kExtensions), "png");
    wchar_t line[64] = {};
    HWND list = GetDlgItem(r.dialog, kScripts);
    SendMessageW(list, CB_GETLBTEXT, SendMessageW(list, CB_GETCURSEL, 0, 0),
                 reinterpret_cast<LPARAM>(line));
    EXPECT_EQ(std::wstring(line), L"Beta");

    // A file naming a script that is not there: reported, folders taken, the rest kept.
    WriteFileBytes(files / "gone.txt", "C:\\a\r\nC:\\b\r\ngone.txt\r\njpg\r\n\r\n");
    DropFiles(r.dialog, {files / "gone.txt"});
    EXPECT_EQ(r.ErrorText(), L"設定の読み込みに失敗しました。");
    EXPECT_EQ(FieldText(r.dialog, kSource), "C:\\a");
    EXPECT_EQ(FieldText(r.dialog, kExtensions), "png");
}

// The save dialog: the dialog of the process that is neither the main one nor a box.
HWND WaitForSaveDialog(const Running& r) {
    HWND found = nullptr;
    WaitFor([&] {
        for (HWND window : DialogsOf(r.frontEnd.processId()))
            if (window != r.dialog && GetDlgItem(window, IDOK) != nullptr)
                found = window;
        return found != nullptr;
    });
    return found;
}

HWND FileNameField(HWND save) {
    for (int id : {0x47c /* cmb13 */, 0x480 /* edt1 */})
        if (HWND field = GetDlgItem(save, id))
            return field;
    return nullptr;
}

TEST(FrontEndGui, SaveButtonWritesTheSettingsWhereTheUserSays) {
    Running r;
    ASSERT_NE(r.dialog, nullptr);
    r.Fill("C:\\in", "C:\\out", "png", "null");
    HWND list = GetDlgItem(r.dialog, kScripts);
    SendMessageW(list, CB_SETCURSEL,
                 SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(L"Beta")),
                 0);
    TempDir target;

    // Cancelled: nothing is written.
    Click(r.dialog, 1011);
    HWND save = WaitForSaveDialog(r);
    ASSERT_NE(save, nullptr);
    ASSERT_TRUE(Answer(save, IDCANCEL));

    Click(r.dialog, 1011);
    save = WaitForSaveDialog(r);
    ASSERT_NE(save, nullptr);
    HWND name = FileNameField(save);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(WindowText(name), L""); // starts with an empty name
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((target / "saved").c_str()));
    PostMessageW(GetDlgItem(save, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(save); }));
    // ".txt" is added to a name without an extension.
    ASSERT_TRUE(WaitFor([&] { return ReadFileBytes(target / "saved.txt").size() == 36; }))
        << ReadFileBytes(target / "saved.txt");
    EXPECT_EQ(ReadFileBytes(target / "saved.txt"),
              "C:\\in\r\nC:\\out\r\nbeta.txt\r\npng\r\nnull\r\n");
    EXPECT_EQ(r.frontEnd.WaitForBox(L"エラー", 300), nullptr);
}

// A 2 x 1 24-bit BMP: a red and a blue pixel (rows padded to 4 bytes).
std::string TwoPixelBmp() {
    const unsigned char bytes[] = {
        'B', 'M', 62,  0,   0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                    // file header
        40,  0,   0,   0,   2, 0, 0, 0, 1, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0, // info header
        8,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0,
        0,   0,   255, 255, 0, 0, 0, 0}; // BGR BGR pad
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

TEST(FrontEndGui, ConvertsAFolderWithTheRealConverter) {
    FrontEnd frontEnd(FrontEnd::Converter::Real);
    frontEnd.AddScript(
        "convert_to_png.txt",
        ReadFileBytes(TestProgramDirectory() + "\\..\\bin\\script\\convert_to_png.txt"));
    TempDir source, destination;
    ASSERT_TRUE(WriteFileBytes(source / "two.bmp", TwoPixelBmp()));
    ASSERT_TRUE(frontEnd.Start());
    HWND dialog = frontEnd.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    SetField(dialog, kSource, source.path + "\\"); // with the browser's trailing backslash
    SetField(dialog, kDestination, destination.path);
    SetField(dialog, kPlugins, "null");
    Click(dialog, IDOK);
    // tesrun writes the PNG, then pauses 3 s before it ends.
    ASSERT_TRUE(WaitFor([&] { return ReadFileBytes(destination / "two.png").size() > 8; }, 60000));
    EXPECT_EQ(ReadFileBytes(destination / "two.png").substr(1, 3), "PNG");
}

} // namespace
