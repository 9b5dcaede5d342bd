#pragma once
// Start-up and shutdown of the user interface's units, called from the program's entry and the
// test mains after the GUI layer (InitialiseGui) and before any window.
namespace ui {
void initialise();
void finalise();
}  // namespace ui
