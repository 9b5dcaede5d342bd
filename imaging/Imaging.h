#pragma once
// Start-up of the imaging subsystem, called from main and the test mains.

namespace imaging {
// Fills the grey palette, creates the loader registry, computes the colour transforms and registers
// the JPEG loader. Calling it again does nothing.
void initialise();
}
