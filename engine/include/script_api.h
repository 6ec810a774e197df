/*
 * script_api.h - the interface between a host and the script engine script.dll.
 *
 * One header for both sides: the host (tesrun, tesfront) binds these entry points by name
 * with GetProcAddress; the engine exports them undecorated. Nothing else passes between
 * them.
 *
 * Calling convention: every entry point and every UserFunction uses SCRIPTAPI, which is
 * __stdcall on 32-bit Windows (the convention of Windows' own DLL interfaces) and the one
 * and only convention on 64-bit Windows. The engine's .def file keeps the 32-bit exports
 * undecorated ("LineExec", not "_LineExec@0").
 *
 * ScriptElement, the engine's value record:
 *   32-bit Windows: exactly 44 bytes.
 *       offset 0, 4 bytes   the value: a 32-bit integer, a 32-bit float, or the address
 *                           of a NUL-terminated text
 *       offset 4, 4 bytes   the ElementType
 *       offset 8, 36 bytes  the engine's own
 *   64-bit Windows: an address needs 8 bytes, so the value word is pointer-sized and the
 *   record grows by exactly that much: value at 0 (8 bytes), ElementType at 8, the
 *   engine's 36 bytes at 12; 48 bytes in all. Everything else is the same.
 * A host moves elements as raw bytes (memmove of whole records), so an element never
 * points into itself, and an element of type SCRIPT_EMPTY owns nothing.
 */
#ifndef TESSAVEL_SCRIPT_API_H
#define TESSAVEL_SCRIPT_API_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define SCRIPTAPI __stdcall
#else
#define SCRIPTAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ElementType codes. */
enum {
    SCRIPT_EMPTY = 0,
    SCRIPT_INTEGER = 1, /* signed 32-bit, wrapping arithmetic */
    SCRIPT_FLOAT = 2,   /* IEEE 32-bit */
    SCRIPT_STRING = 3   /* NUL-terminated bytes in the ANSI code page */
};

typedef union ScriptValue {
    int32_t integer;
    float real;
    const char* text;
    intptr_t word; /* the whole value word, for raw moves and for Format's argument list */
} ScriptValue;

typedef struct ScriptElement {
    ScriptValue value;
    int32_t type;
    unsigned char engine[36];
} ScriptElement;

#ifdef __cplusplus
static_assert(offsetof(ScriptElement, value) == 0, "value word first");
static_assert(offsetof(ScriptElement, type) == sizeof(void*), "type after the value word");
static_assert(sizeof(ScriptElement) == 40 + sizeof(void*), "44 bytes on Win32, 48 on Win64");
#endif

/* Number of argument elements the engine hands to a UserFunction and takes from
 * GetStackElement for the next FunctionExec. */
#define SCRIPT_ARGUMENT_COUNT 16

/* A function that scripts can call. It receives the address of element 0 of its 16
 * argument elements (element 0 holds the first argument; unused ones are empty).
 * Result: nonzero when the call succeeded. 0 means the call failed; the engine then
 * reports a runtime error and ends the running line or function, which fails. The value
 * the script sees is what the function passed to ReturnElement, else empty. */
typedef int32_t(SCRIPTAPI* UserFunction)(ScriptElement* arguments);

/* Entry points, in the order a host binds them. Results are nonzero for success and 0
 * for failure unless said otherwise. */

/* Forgets the last error. */
typedef int32_t(SCRIPTAPI* ResetErrorStateProc)(void);
/* Copies the last error's message ("<script file>:<line>: <message>") into text, at most
 * size bytes with the terminator, and returns its error code (0: no error). text may be
 * null when size is 0. */
typedef int32_t(SCRIPTAPI* GetErrorStateProc)(char* text, int32_t size);
/* Makes a new, empty script and selects it; returns its handle (nonzero) or 0. A freshly
 * loaded engine has one script selected already, so a host that runs one script never
 * needs these four. */
typedef int32_t(SCRIPTAPI* CreateScriptProc)(void);
/* Makes a new script from source text in memory (length bytes, no terminator needed),
 * selects it and reads it like ReadScriptFile; returns its handle or 0. */
typedef int32_t(SCRIPTAPI* CreateScriptFromMemoryProc)(const char* source, int32_t length);
/* Selects the script with that handle for every later call. */
typedef int32_t(SCRIPTAPI* SelectScriptProc)(int32_t handle);
/* Releases a script; the selection falls back to the first script. */
typedef int32_t(SCRIPTAPI* ReleaseScriptProc)(int32_t handle);
/* Reads and compiles a script file into the selected script. 0 when the file can't be
 * read or has a syntax error. */
typedef int32_t(SCRIPTAPI* ReadScriptFileProc)(const char* path);
/* Same, from source text in memory. */
typedef int32_t(SCRIPTAPI* ReadScriptFileFromMemoryProc)(const char* source, int32_t length);
/* Releases the selected script's program and globals. */
typedef int32_t(SCRIPTAPI* DestroyBufferProc)(void);
/* The element of the selected script's global variable of that name, or null. */
typedef ScriptElement*(SCRIPTAPI* GetElementProc)(const char* name);
/* The 16 argument elements for the next FunctionExec. */
typedef ScriptElement*(SCRIPTAPI* GetStackElementProc)(void);
/* Registers (or replaces) a UserFunction under an exact, case-sensitive name. */
typedef int32_t(SCRIPTAPI* SetUserFunctionProc)(const char* name, UserFunction function);
/* Nonzero while a top-level line of the selected script is ready to run. */
typedef int32_t(SCRIPTAPI* GetNextLineProc)(void);
/* Passes over the ready top-level line without running it. */
typedef int32_t(SCRIPTAPI* SkipLineProc)(void);
/* Runs the ready top-level line; 0 when it ended with a runtime error. */
typedef int32_t(SCRIPTAPI* LineExecProc)(void);
/* Calls the script function of that name with the argument elements of GetStackElement
 * (as many as the function has parameters); 0 when there is no such function or it ended
 * with a runtime error. The argument elements are emptied afterwards. */
typedef int32_t(SCRIPTAPI* FunctionExecProc)(const char* name);
/* Housekeeping before a FunctionExec; hosts call it right before each one. */
typedef int32_t(SCRIPTAPI* DefragElementProc)(void);
/* Reads element as type into destination:
 *   SCRIPT_INTEGER  an int32_t (a float is truncated, a text read as a decimal number)
 *   SCRIPT_FLOAT    a float
 *   SCRIPT_STRING   the text and its NUL (a number as its decimal text, empty as "").
 * There is no size: a host measures first. For an element of type SCRIPT_STRING the text
 * is value.text; any other element's text is at most SCRIPT_NUMBER_TEXT_MAX bytes. */
typedef int32_t(SCRIPTAPI* DecodeElementProc)(void* destination, int32_t type,
                                              ScriptElement* element);
#define SCRIPT_NUMBER_TEXT_MAX 32
/* Stores a value into element, releasing what it held. For SCRIPT_STRING source is the
 * text (copied); otherwise source is the address of the value (int32_t or float);
 * SCRIPT_EMPTY needs no source. */
typedef int32_t(SCRIPTAPI* EncodeElementProc)(ScriptElement* element, const void* source,
                                              int32_t type);
/* Releases what element holds and makes it empty. */
typedef int32_t(SCRIPTAPI* ClearElementProc)(ScriptElement* element);
/* Sets the result of the running UserFunction, with the same source rules as
 * EncodeElement (a text is copied). 0 outside a UserFunction. */
typedef int32_t(SCRIPTAPI* ReturnElementProc)(const void* value, int32_t type);

/* Optional: a host looks it up by name and does without it. From now on every error
 * message (the text GetErrorState gives, without a line end) goes to handler instead of
 * being written as a line to standard error; null writes them to standard error again.
 * A host that must order the engine's messages among its own output uses it. */
typedef void(SCRIPTAPI* ErrorHandler)(const char* message);
typedef int32_t(SCRIPTAPI* SetErrorHandlerProc)(ErrorHandler handler);

#ifdef __cplusplus
}
#endif

#endif /* TESSAVEL_SCRIPT_API_H */
