// GDI+'s flat interface with the Windows headers it needs.
#pragma once

#include <windows.h>
// GDI+'s headers need the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>
