/*
 * susie_plugin.h - the Susie image plug-in interface ("00IN"), one header for the host
 * (tesrun binds the entry points by name with GetProcAddress) and for the plug-ins we ship
 * (which export them undecorated).
 *
 * Calling convention: SUSIEAPI is WINAPI: __stdcall on 32-bit Windows, the one and only
 * convention on 64-bit Windows. A plug-in's .def file keeps the 32-bit exports undecorated
 * ("GetPicture", not "_GetPicture@28").
 *
 * 32-bit plug-ins are ".spi" modules; 64-bit plug-ins of the same interface are ".sph"
 * modules, in which every argument that carries an address or a length is pointer-sized
 * (LONG_PTR, ULONG_PTR). On 32-bit Windows those types are 32 bits wide, so one
 * declaration serves both.
 */
#ifndef TESSAVEL_SUSIE_PLUGIN_H
#define TESSAVEL_SUSIE_PLUGIN_H

#include <windows.h>

#define SUSIEAPI WINAPI

/* The module extension and the search pattern of this build's plug-ins. */
#if defined(_WIN64)
#define SUSIE_PLUGIN_EXTENSION ".sph"
#else
#define SUSIE_PLUGIN_EXTENSION ".spi"
#endif

/* Results of the picture functions. */
enum {
    SUSIE_SUCCESS = 0,
    SUSIE_NOT_IMPLEMENTED = -1,
    SUSIE_ABORTED = 1, /* the progress function asked to stop */
    SUSIE_UNKNOWN_FORMAT = 2,
    SUSIE_BROKEN_DATA = 3, /* truncated or inconsistent data */
    SUSIE_NO_MEMORY = 4,
    SUSIE_MEMORY_ERROR = 5, /* a memory block could not be locked */
    SUSIE_FILE_READ_ERROR = 6,
    SUSIE_FILE_WRITE_ERROR = 7,
    SUSIE_INTERNAL_ERROR = 8
};

/* The input kind, in the low three bits of a picture function's flag. */
enum {
    SUSIE_INPUT_FILE = 0,   /* buf is a file name, len the offset of the picture in it */
    SUSIE_INPUT_MEMORY = 1, /* buf is the picture's bytes, len their number */
    SUSIE_INPUT_MASK = 7
};

/* IsSupported's second argument is the address of the file's first 2048 bytes (zero
 * beyond the end of a shorter file); a value whose bits above the low 16 are all zero is
 * a file handle instead, as some older hosts pass. */
#define SUSIE_HEAD_SIZE 2048

/* Called during decoding with the work done (num) out of denom; a nonzero answer stops
 * the plug-in, which then returns SUSIE_ABORTED. */
typedef int(SUSIEAPI* SusieProgress)(int num, int denom, LONG_PTR data);

#include <pshpack1.h>
typedef struct SusiePictureInfo {
    long left, top;     /* where the picture is placed */
    long width, height; /* in pixels */
    WORD x_density, y_density;
    short colorDepth; /* bits per pixel */
#if defined(_WIN64)
    char alignment[2]; /* keeps hInfo on an 8-byte boundary */
#endif
    HLOCAL hInfo; /* text found in the picture, or null; the caller frees it */
} SusiePictureInfo;
#include <poppack.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The entry points as plug-ins define them. */
int SUSIEAPI GetPluginInfo(int infono, LPSTR buf, int buflen);
int SUSIEAPI IsSupported(LPCSTR filename, ULONG_PTR dw);
int SUSIEAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, SusiePictureInfo* lpInfo);
int SUSIEAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                        SusieProgress lpPrgressCallback, LONG_PTR lData);

/* The same entry points as a host binds them. */
typedef int(SUSIEAPI* GetPluginInfoFunction)(int infono, LPSTR buf, int buflen);
typedef int(SUSIEAPI* IsSupportedFunction)(LPCSTR filename, ULONG_PTR dw);
typedef int(SUSIEAPI* GetPictureInfoFunction)(LPCSTR buf, LONG_PTR len, unsigned int flag,
                                              SusiePictureInfo* lpInfo);
typedef int(SUSIEAPI* GetPictureFunction)(LPCSTR buf, LONG_PTR len, unsigned int flag,
                                          HLOCAL* pHBInfo, HLOCAL* pHBm,
                                          SusieProgress lpPrgressCallback, LONG_PTR lData);

#ifdef __cplusplus
}
#endif

#endif
