#pragma once
// Start-up of the platform layer, called first by main and by every test main.

namespace platform {

// Ignores SIGXFSZ, so that a write past the file-size limit fails with "File too large" and the
// caller reports it, instead of the signal ending the program in the middle of a save.
void initialise();

}  // namespace platform
