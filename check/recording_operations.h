// The launcher's operations table as the check runs it: the reads go to
// Windows and every call is kept with what it asked and was answered, while
// ShellExecuteA and MessageBoxA are kept and never made.
#pragma once

#include "windows_constants.h"

// One call, with copies of its strings: the launcher's buffers are gone by
// the time the report reads them.
struct RecordedCall {
    const char* name;                // its entry in WindowsOperations
    char argument[512];              // the key path, value name, path, program or message
    char parameters[MAX_PATH + 2];   // ShellExecuteA's
    char answer[512];                // what it wrote back: a title, value bytes or string
    std::uint32_t access;            // RegOpenKeyExA's
    std::uint32_t dataSize;          // RegQueryValueExA's, as answered
    std::intptr_t result;            // the status, handle or length it returned
};

// The launcher makes at most 36 calls: the window, its title, the
// document's search and close, five per install record, the outcome.
constexpr int kMostRecordedCalls = 40;

struct CallLog {
    // The window in front: the real one, or else one titled givenTitle, or
    // else none.
    bool readsWindowInFront;
    const char* givenTitle;
    int count;
    RecordedCall calls[kMostRecordedCalls];
};

extern CallLog RecordedCalls;
extern const WindowsOperations RecordingOperations;

// Copies as much of the text as fits, always terminated.
void CopyText(char* to, std::size_t capacity, const char* from);
