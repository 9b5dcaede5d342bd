#pragma once
// Registers the compiled-in bitmaps with Qt's resource system. A static library's resources are
// not linked in unless something refers to them, so the program's start-up calls this first.
void InitialiseResources();
