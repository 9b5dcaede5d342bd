// Velmora Agent. The program reads no command line: Qt gets only the program's name.
#include "platform/Initialise.h"
#include "platform/gui/Application.h"
#include "ui/VelAgent.h"

int main(int, char** argv) {
    // First of all: a save past the file-size limit then fails with "File too large" instead of
    // ending the program.
    platform::initialise();
    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    InitialiseGui(qtArgc, qtArgv);
    program::StartUnits();
    const int result = program::Run();
    program::StopUnits();
    FinaliseGui();
    return result;
}
