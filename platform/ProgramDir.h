#pragma once
// The folder of the running executable, with its trailing separator. Data files live there.
#include <string>

std::string ProgramDirectory();
// Tests point the program at a folder of their own; an empty text returns to the executable's.
void SetProgramDirectory(const std::string& dir);
