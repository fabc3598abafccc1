// The check's own Win32 calls, beside the launcher's table: its console, its
// current folder, its process's registry view and its wait.
#pragma once

// Writes to standard output, or to standard error: on a console as wide
// characters, since its code page may not be the ANSI one the text is in;
// to a file or pipe as the ANSI bytes themselves.
void WriteText(const char* text, bool toStandardError);

void ReadCurrentFolder(char* folder, unsigned int capacity);

// True for a 32-bit process on 64-bit Windows, whose registry reads go to
// the 32-bit view.
bool IsWow64();

void WaitSeconds(int seconds);

// Waits for Enter when the report went to a console that is the check's
// alone, as after a double-click, so that it stays until it is read.
void HoldOwnConsole();
