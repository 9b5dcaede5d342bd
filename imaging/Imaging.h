#pragma once
// Start-up of the imaging subsystem, called from main and the test mains.

namespace imaging {
// Fills the grey palette, then creates the loader registry. Calling it again does nothing.
void initialise();
}
