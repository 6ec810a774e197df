// The front-end's message boxes, all owned by the dialog.
#pragma once

// "エラー", an OK button and no icon.
void ShowError(const wchar_t* text);

// Puts the keyboard focus on a control of the dialog.
void FocusControl(int id);
