// Velmora Agent. The program reads no command line: Qt gets only the program's name.
#include "platform/gui/Application.h"
#include "ui/VelAgent.h"

int main(int, char** argv) {
    static int qtArgc = 1;
    static char* qtArgv[] = {argv[0], nullptr};
    InitialiseGui(qtArgc, qtArgv);
    program::StartUnits();
    const int result = program::Run();
    program::StopUnits();
    FinaliseGui();
    return result;
}
