// tesfront: the dialog front-end of tesrun.
#include "common/program_directory.h"
#include "frontend/frontend_dialog.h"
#include "frontend/resource_ids.h"

#include <objbase.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ComputeProgramDirectory();
    // The folder browser's new-style dialog needs COM on this thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const INT_PTR result =
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_FRONTEND), nullptr, FrontEndDialogProc, 0);
    if (SUCCEEDED(com))
        CoUninitialize();
    return static_cast<int>(result);
}
