// Driving a running tesfront from another process with Win32 messages: finding its
// dialog and message boxes, typing into fields, clicking, dropping files, and a program
// folder of its own with a recording stand-in for tesrun.
#pragma once

#include "support/temp_dir.h"

#include <windows.h>

#include <string>
#include <vector>

namespace gui {

// Waits, polling, until done() holds or timeoutMs passed. True when it held.
template <class Condition> bool WaitFor(Condition done, DWORD timeoutMs = 20000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(20);
    }
}

// Text in the ANSI code page from UTF-16 (for Japanese folder names in the tests).
std::string Ansi(const std::wstring& text);

std::wstring WindowText(HWND window);
// The text of a control as the ANSI functions read it.
std::string FieldText(HWND dialog, int id);
void SetField(HWND dialog, int id, const std::string& ansiText);

// The visible top-level dialog-class window of the process with that caption, or null.
HWND FindDialogOf(DWORD processId, const wchar_t* caption);
// Every visible top-level dialog-class window of the process.
std::vector<HWND> DialogsOf(DWORD processId);

// The message box's text (its static text control).
std::wstring MessageBoxText(HWND box);
// The identifiers of the box's visible buttons.
std::vector<int> MessageBoxButtons(HWND box);
// True when the box shows an icon.
bool MessageBoxHasIcon(HWND box);
// Answers a message box with the button and waits until it is gone.
bool Answer(HWND box, int buttonId);

// Posts a click on a button of the dialog (the dialog may open a modal box in reply).
void Click(HWND dialog, int id);
// Posts a key press to a control, as typed.
void PressKey(HWND control, WPARAM key);
// Posts WM_DROPFILES with a DROPFILES block of the files, as the shell does on a drop.
void DropFiles(HWND dialog, const std::vector<std::string>& paths);
// The control that has the keyboard focus in the dialog's thread.
HWND FocusedControl(HWND dialog);

// One converter start recorded by the stand-in tesrun.
struct Launch {
    DWORD processId = 0;
    std::string commandLine;
    std::string currentDirectory;
    std::vector<std::string> arguments; // argv[1..]
};

// A program folder of tesfront's own: tesfront.exe, script.dll, a recording tesrun.exe
// and a script folder; tesfront is started from it and ended with it.
class FrontEnd {
  public:
    // With the recording stand-in as tesrun, or with the real converter of the build.
    enum class Converter { Recording, Real };
    explicit FrontEnd(Converter converter = Converter::Recording);
    ~FrontEnd();
    FrontEnd(const FrontEnd&) = delete;
    FrontEnd& operator=(const FrontEnd&) = delete;

    std::string folder() const { return dir_.path; }
    void AddScript(const std::string& fileName, const std::string& text);
    // Starts tesfront; false when it can't be started.
    bool Start();
    // Waits for the main dialog; null when it did not appear.
    HWND WaitForDialog();
    // Waits for a message box of tesfront with the caption; null when none came.
    HWND WaitForBox(const wchar_t* caption, DWORD timeoutMs = 20000);
    // Waits for tesfront to end; its exit code, or -1 when it did not end in time.
    long WaitForExit(DWORD timeoutMs = 20000);
    DWORD processId() const { return process_.dwProcessId; }
    DWORD threadId() const { return process_.dwThreadId; }

    // The converter starts recorded so far (complete records only), in no fixed order.
    std::vector<Launch> Launches() const;
    // Waits until at least n starts are recorded.
    std::vector<Launch> WaitForLaunches(std::size_t n, DWORD timeoutMs = 20000) const;
    // Lets the waiting stand-ins end.
    void ReleaseConverters() const;

  private:
    TempDir dir_;
    PROCESS_INFORMATION process_ = {};
    HWND dialog_ = nullptr;
};

} // namespace gui
