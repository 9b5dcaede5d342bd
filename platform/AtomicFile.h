#pragma once
// Whole-file replacement that never leaves a half-written file behind.
#include <string>
#include <string_view>

// Writes data to a temporary file in the target's folder, flushes it to disk, renames it over
// fileName and flushes the folder. On any failure the temporary file is removed, an existing
// target stays byte-identical and EFCreateError (cannot create/replace) or EWriteError (cannot
// write) is raised. A replaced file keeps its permission bits; a symbolic link is written through.
void AtomicWriteFile(const std::string& fileName, std::string_view data);
