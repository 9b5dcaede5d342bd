#pragma once
// Kernel services the imaging code leans on: the temporary folder, a millisecond clock, MulDiv and
// named clipboard formats.
#include <cstdint>
#include <string>

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
