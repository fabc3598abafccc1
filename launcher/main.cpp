// The program entry. Declared by hand so that the launcher needs no
// <windows.h>; the handles, command line and show command go unused.
#include "launch_sequence.h"

extern "C" int __stdcall WinMain(void* /*instance*/, void* /*previousInstance*/, char* /*commandLine*/,
                                 int /*showCommand*/)
{
    return RunLauncher(Win32Operations);
}
