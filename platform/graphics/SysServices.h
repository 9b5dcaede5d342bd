#pragma once
// Kernel services the imaging code leans on: the temporary folder, a millisecond clock, MulDiv and
// named clipboard formats.
#include <cstdint>
#include <string>

#include "platform/graphics/Types.h"

// The folder for temporary files, ending in '/': $TMPDIR when set, else /tmp/.
std::string GetTempPath();

// Milliseconds since an arbitrary start, wrapping at 2^32 like the platform's tick counters.
uint32_t GetTickCount();
uint32_t timeGetTime();

// a * b / c with a 64-bit intermediate, rounded half away from zero; -1 when c is 0 or the result
// does not fit 32 bits.
int MulDiv(int a, int b, int c);

// Bits per pixel times planes of the screen. The stand-in draws on a true-colour surface: 32.
int GetScreenBitsPerPixel();

// The id of a named clipboard format: the same name (A-Z folded) gives the same id, from 0xC000 on.
unsigned RegisterClipboardFormat(const std::string& name);

// Ends the batch of pending GDI calls. The stand-in draws at once: nothing to flush.
inline bool GdiFlush() { return true; }

// A GDI result check: the value itself when the call succeeded (not 0 or null). The stand-in keeps
// no per-call error code, so a failure always raises EOutOfResources "Out of system resources".
template <typename T>
T GDICheck(T value) {
    if (!value) throw EOutOfResources("Out of system resources");
    return value;
}
