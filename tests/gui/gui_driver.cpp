#include "gui/gui_driver.h"

#include <shlobj.h>

#include <cstring>

namespace gui {
namespace {
std::string BuildDirectory() {
    return TestProgramDirectory() + "\\..";
}

bool CopyInto(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

struct Search {
    DWORD processId;
    const wchar_t* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<Search*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (pid == search.processId && IsWindowVisible(window) &&
        std::wcscmp(className, L"#32770") == 0 &&
        (search.caption == nullptr || WindowText(window) == search.caption))
        search.found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectChildren(HWND window, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChildren, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}
} // namespace

std::string Ansi(const std::wstring& text) {
    char buffer[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

std::wstring WindowText(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

std::string FieldText(HWND dialog, int id) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void SetField(HWND dialog, int id, const std::string& ansiText) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansiText.c_str()));
}

std::vector<HWND> DialogsOf(DWORD processId) {
    Search search{processId, nullptr, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDialogOf(DWORD processId, const wchar_t* caption) {
    Search search{processId, caption, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    return search.found.empty() ? nullptr : search.found.front();
}

std::wstring MessageBoxText(HWND box) {
    for (HWND child : Children(box))
        if (ClassOf(child) == L"Static" && IsWindowVisible(child) && !WindowText(child).empty())
            return WindowText(child);
    return L"";
}

std::vector<int> MessageBoxButtons(HWND box) {
    std::vector<int> ids;
    for (HWND child : Children(box))
        if (ClassOf(child) == L"Button" && IsWindowVisible(child))
            ids.push_back(GetDlgCtrlID(child));
    return ids;
}

bool MessageBoxHasIcon(HWND box) {
    for (HWND child : Children(box))
        if (ClassOf(child) == L"Static" && IsWindowVisible(child) &&
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageW(child, STM_GETICON, 0, 0) != 0)
            return true;
    return false;
}

bool Answer(HWND box, int buttonId) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
    return WaitFor([&] { return !IsWindow(box); });
}

void Click(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PressKey(HWND control, WPARAM key) {
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    PostMessageW(control, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
    PostMessageW(control, WM_KEYUP, key, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
}

void DropFiles(HWND dialog, const std::vector<std::string>& paths) {
    std::string block(sizeof(DROPFILES), '\0');
    auto* drop = reinterpret_cast<DROPFILES*>(block.data());
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    for (const auto& path : paths)
        block += path + '\0';
    block += '\0';
    // A global memory handle means nothing in another process, so the block is placed in
    // the front-end's memory, as a fixed block (whose handle is its address).
    DWORD processId = 0;
    GetWindowThreadProcessId(dialog, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr)
        return;
    void* remote =
        VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote != nullptr &&
        WriteProcessMemory(process, remote, block.data(), block.size(), nullptr))
        PostMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
    CloseHandle(process);
}

HWND FocusedControl(HWND dialog) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

FrontEnd::FrontEnd(Converter converter) {
    const std::string build = BuildDirectory();
    CopyInto(build + "\\bin\\tesfront.exe", dir_ / "tesfront.exe");
    CopyInto(build + "\\bin\\script.dll", dir_ / "script.dll");
    CopyInto(converter == Converter::Real ? build + "\\bin\\tesrun.exe"
                                          : TestProgramDirectory() + "\\gui\\tesrun.exe",
             dir_ / "tesrun.exe");
    CreateDirectoryA((dir_ / "script").c_str(), nullptr);
    CreateDirectoryA((dir_ / "launches").c_str(), nullptr);
}

FrontEnd::~FrontEnd() {
    ReleaseConverters();
    if (process_.hProcess != nullptr) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            for (HWND box : DialogsOf(process_.dwProcessId))
                if (box != dialog_)
                    PostMessageW(box, WM_CLOSE, 0, 0);
            if (dialog_ != nullptr)
                PostMessageW(dialog_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.hProcess, 10000) == WAIT_TIMEOUT)
                TerminateProcess(process_.hProcess, 1);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    // The stand-ins end once released; their files can be removed after that.
    for (const Launch& launch : Launches()) {
        HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, launch.processId);
        if (p != nullptr) {
            WaitForSingleObject(p, 10000);
            CloseHandle(p);
        }
    }
}

void FrontEnd::AddScript(const std::string& fileName, const std::string& text) {
    WriteFileBytes(dir_.path + "\\script\\" + fileName, text);
}

bool FrontEnd::Start() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string exe = dir_ / "tesfront.exe";
    std::string commandLine = "\"" + exe + "\"";
    return CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          dir_.path.c_str(), &startup, &process_) != FALSE;
}

HWND FrontEnd::WaitForDialog() {
    WaitFor(
        [&] {
            dialog_ = FindDialogOf(process_.dwProcessId, L"Tessavel フロントエンド");
            return dialog_ != nullptr;
        },
        60000);
    return dialog_;
}

HWND FrontEnd::WaitForBox(const wchar_t* caption, DWORD timeoutMs) {
    HWND box = nullptr;
    WaitFor(
        [&] {
            box = FindDialogOf(process_.dwProcessId, caption);
            return box != nullptr;
        },
        timeoutMs);
    return box;
}

long FrontEnd::WaitForExit(DWORD timeoutMs) {
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
}

std::vector<Launch> FrontEnd::Launches() const {
    std::vector<Launch> launches;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir_.path + "\\launches\\*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return launches;
    do {
        Launch launch;
        launch.processId = std::strtoul(found.cFileName, nullptr, 10);
        const std::string text = ReadFileBytes(dir_.path + "\\launches\\" + found.cFileName);
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        if (lines.size() >= 2) {
            launch.commandLine = lines[0];
            launch.currentDirectory = lines[1];
            launch.arguments.assign(lines.begin() + 2, lines.end());
        }
        launches.push_back(launch);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return launches;
}

std::vector<Launch> FrontEnd::WaitForLaunches(std::size_t n, DWORD timeoutMs) const {
    std::vector<Launch> launches;
    WaitFor(
        [&] {
            launches = Launches();
            return launches.size() >= n;
        },
        timeoutMs);
    return launches;
}

void FrontEnd::ReleaseConverters() const {
    WriteFileBytes(dir_.path + "\\launches\\release", "");
}

} // namespace gui
