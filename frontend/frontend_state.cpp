#include "frontend/frontend_state.h"

HINSTANCE FrontEndInstance = nullptr;
HWND FrontEndDialog = nullptr;
