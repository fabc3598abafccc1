// The check's own Win32 calls, beside the launcher's table: its console and
// files, where and as whom it runs, and what the report asks of Windows.
#pragma once

#include "check_operations.h"

// Writes to standard output, or to standard error: on a console as wide
// characters, since its code page may not be the ANSI one the text is in;
// to a file or pipe as the ANSI bytes themselves.
void WriteText(const char* text, bool toStandardError);

// Writes the text to a new file as UTF-16LE with a byte-order mark and CRLF
// line ends, which cmd's type, Notepad and PowerShell's Get-Content all read
// right whatever their code page. False when it cannot be written, with the
// refusal's reason when JudgeReportPath refused the path (else empty).
// As unicode false, the text's bytes as they are: JSON, which is ASCII.
bool WriteReportFile(const wchar_t* path, const char* text, bool unicode, const char** refusal);

// The arguments as the ANSI code page spells them, as the launcher reads
// text: each letter it lacks becomes its nearest or "?". NARROW gets ARGC
// pointers into STORAGE; false when they do not fit.
bool NarrowArguments(int argc, wchar_t** wide, char** narrow, char* storage, std::size_t capacity);

// The folder, code page, user, session, elevation and virtualization.
void ReadCheckSetting(CheckSetting& setting);

// The report's own questions, put to Windows.
extern const CheckOperations Win32CheckOperations;

// The letters of the --title argument (as the wide command line holds it)
// that the ANSI code page has no byte for, as ListLostTitleLetters gives them.
void ListLostTitleArgumentLetters(char* letters, std::size_t capacity);

void WaitSeconds(int seconds);

// Waits for Enter where HoldsConsole says a person can see and answer it.
void HoldOwnConsole(bool reportInFile);
