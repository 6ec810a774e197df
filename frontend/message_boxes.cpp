#include "frontend/message_boxes.h"

#include "frontend/frontend_state.h"
#include "frontend/ui_texts.h"

void ShowError(const wchar_t* text) { MessageBoxW(FrontEndDialog, text, ui::kErrorCaption, MB_OK); }

void FocusControl(int id) { SetFocus(GetDlgItem(FrontEndDialog, id)); }
