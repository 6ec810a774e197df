// Poses tesfront for its screenshot: waits for its dialog, types example folders and
// opens the script list. Ends when done (0) or when no dialog came within 60 s (1).
#include <windows.h>

int main() {
    HWND dialog = nullptr;
    for (int i = 0; i < 600 && dialog == nullptr; ++i) {
        dialog = FindWindowW(L"#32770", L"Tessavel フロントエンド");
        if (dialog == nullptr || !IsWindowVisible(dialog)) {
            dialog = nullptr;
            Sleep(100);
        }
    }
    if (dialog == nullptr)
        return 1;
    SetDlgItemTextW(dialog, 1001, L"C:\\写真\\2024-旅行");
    SetDlgItemTextW(dialog, 1003, L"C:\\写真\\サムネイル");
    SetDlgItemTextW(dialog, 1008, L"null");
    SendDlgItemMessageW(dialog, 1005, CB_SHOWDROPDOWN, TRUE, 0);
    return 0;
}
