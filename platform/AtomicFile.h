#pragma once
// Whole-file replacement that never leaves a half-written file behind.
#include <string>
#include <string_view>

// Writes data to a temporary file in the target's folder (".<name>.tmp" and a random suffix,
// locked with flock while it is written), flushes it to disk, renames it over fileName and
// flushes the folder. Temporaries of the same target that no saver holds any more (left by a
// killed process) are removed first. On any failure the temporary file is removed, an existing
// target stays byte-identical and EFCreateError (cannot create/replace) or EWriteError (cannot
// write) is raised. A replaced file keeps its permission bits, a new one gets newFileMode (-1: 0666
// less the umask); the temporary is 0600 until it is full. A symbolic link is written through.
// An existing file with no write bit (read-only) is not replaced: EFCreateError with
// "Permission denied".
void AtomicWriteFile(const std::string& fileName, std::string_view data, int newFileMode = -1);
