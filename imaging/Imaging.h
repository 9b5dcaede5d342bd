#pragma once
// Start-up of the imaging subsystem, called from main and the test mains.

namespace imaging {
// Fills the grey palette, creates the loader registry, computes the colour transforms and registers
// the GIF and JPEG loaders. Calling it again does nothing.
void initialise();
// Unregisters the GIF image from the picture and frees the GIF extension registries; called before
// web::finalise and ui::finalise, the reverse of the start.
void finalise();
}
