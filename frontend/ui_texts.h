// The fixed texts of tesfront's user interface. They are shown through the wide-character
// functions, so the Japanese reads correctly whatever the system's code page.
#pragma once

namespace ui {
constexpr const wchar_t* kErrorCaption = L"エラー";
constexpr const wchar_t* kConfirmCaption = L"確認";
constexpr const wchar_t* kInfoCaption = L"情報";

constexpr const wchar_t* kCatalogFailed = L"スクリプトの列挙に失敗しました。起動を中止します。";
constexpr const wchar_t* kNoScripts = L"スクリプトが見つかりません。起動を中止します。";

constexpr const wchar_t* kSelectScript = L"スクリプトを選択してください。";
constexpr const wchar_t* kInvalidScript = L"スクリプトが無効です。";
constexpr const wchar_t* kNoSourceFolder = L"入力元のフォルダを指定してください。";
constexpr const wchar_t* kNoDestinationFolder = L"出力先のフォルダを指定してください。";
constexpr const wchar_t* kNoExtensions = L"読み込むファイルの拡張子を指定してください";
constexpr const wchar_t* kSameFolder =
    L"入力元と出力先に同じフォルダが指定されています。\n元の画像が上書きされる可能性があります。\n"
    L"続行するにはOKをクリックしてください。";
// A script path or the converter's path longer than 259 characters can't be started.
constexpr const wchar_t* kScriptPathTooLong = L"スクリプトのパスが長すぎます。";
constexpr const wchar_t* kProgramPathTooLong = L"tesrun.exe のパスが長すぎます。";

constexpr const wchar_t* kBrowseTitle = L"フォルダを選択してください。";

constexpr const wchar_t* kSaveFilter = L"テキストファイル (*.txt)\0*.txt\0";
constexpr const wchar_t* kSaveFailed = L"設定の保存に失敗しました。";
constexpr const wchar_t* kLoadFailed = L"設定の読み込みに失敗しました。";

// The details box: the labels of its four lines.
constexpr const wchar_t* kDetailsFileName = L"ファイル名\t";
constexpr const wchar_t* kDetailsName = L"\n説明\t";
constexpr const wchar_t* kDetailsAuthor = L"\n作者\t";
constexpr const wchar_t* kDetailsVersion = L"\nバージョン\t";
} // namespace ui
