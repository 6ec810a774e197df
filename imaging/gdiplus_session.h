// GDI+ started for as long as the session lives: tesrun's conversion run holds one from
// before the first image to after the last.
#pragma once

#include "imaging/gdiplus_api.h"

struct GdiplusSession {
    ULONG_PTR token = 0;
    bool started = false;

    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        input.GdiplusVersion = 1;
        input.DebugEventCallback = nullptr;
        input.SuppressBackgroundThread = FALSE;
        input.SuppressExternalCodecs = FALSE;
        started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started)
            Gdiplus::GdiplusShutdown(token);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
};
