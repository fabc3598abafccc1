// Whether the check waits for Enter before its console closes, decided from
// what Windows says of that console; free of <windows.h>, so the unit tests
// decide it too.
#pragma once

struct ConsoleFacts {
    bool inputIsConsole;             // not redirected
    bool outputIsConsole;
    bool windowVisible;              // a console window exists and is shown
    unsigned long consoleProcesses;  // attached to it, the check included; 0 when Windows does not say
    unsigned long session;           // 0: services' session, no one's desktop
    bool reportInFile;               // --out: for a program to read, not a person
};

// Only where a person can see and answer it: a visible console window that
// is the check's alone, as after a double-click, outside session 0, with the
// report on it.
bool HoldsConsole(const ConsoleFacts& facts);
