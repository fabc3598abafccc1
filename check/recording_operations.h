// The launcher's operations table as the check runs it: every call is
// forwarded to the table it is handed (Windows in the program, a scripted
// world in a test) and kept with what it asked and was answered, while
// ShellExecuteA and MessageBoxA are kept and never made.
#pragma once

#include "check_operations.h"
#include "windows_constants.h"

// One call, with copies of its strings: the launcher's buffers are gone by
// the time the report reads them.
struct RecordedCall {
    const char* name;                // its entry in WindowsOperations
    char argument[512];              // the key path, value name, path, program or message
    char parameters[MAX_PATH + 2];   // ShellExecuteA's
    char answer[512];                // what it wrote back: a title, value bytes or string
    char aside[512];                 // asked for the report: lost letters, an error's text, a whole path
    std::uint32_t access;            // RegOpenKeyExA's
    std::uint32_t dataSize;          // RegQueryValueExA's, as answered
    std::uint32_t type;              // RegQueryValueExA's value type, asked for the report
    std::intptr_t result;            // the status, handle or length it returned
    char16_t wide[MAX_PATH];         // a value whose letters were lost, as read in UTF-16
};

// The launcher makes at most 36 calls: the window, its title, the
// document's search and close, five per install record, the outcome.
constexpr int kMostRecordedCalls = 40;

struct CallLog {
    const WindowsOperations* windows;  // where the calls go
    const CheckOperations* check;      // where the report's own questions go
    // The window in front: the real one, or else one titled givenTitle, or
    // else none.
    bool readsWindowInFront;
    const char* givenTitle;
    const char* givenTitleLostLetters;  // as ListLostTitleLetters gives them
    int count;
    RecordedCall calls[kMostRecordedCalls];
};

extern CallLog RecordedCalls;
extern const WindowsOperations RecordingOperations;
