#pragma once
// The program's start-up, split so that main and the tests run the same code. After the GUI layer:
// StartUnits starts every subsystem in its fixed order; Run makes the data module and the main
// window and runs the message loop until the window closes, then frees both; StopUnits ends the
// units in reverse order.
namespace program {
void StartUnits();
int Run();
void StopUnits();
}  // namespace program
