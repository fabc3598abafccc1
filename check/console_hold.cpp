#include "console_hold.h"

bool HoldsConsole(const ConsoleFacts& facts)
{
    return facts.inputIsConsole && facts.outputIsConsole && facts.windowVisible && facts.consoleProcesses == 1 &&
           facts.session != 0 && !facts.reportInFile;
}
