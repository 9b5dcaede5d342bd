#pragma once
// Start-up and shutdown of the web subsystem, called from main and the test mains.
namespace web {
// Fills the MIME type tables from HKEY_CLASSES_ROOT.
void initialise();
// Frees the MIME type tables.
void finalise();
}  // namespace web
