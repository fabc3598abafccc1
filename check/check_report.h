#pragma once

#include "recording_operations.h"

// The report as one text, written out whole once it is complete.
struct ReportText {
    char text[16384];
    std::size_t length;
};

// What the report needs beyond the recorded calls.
struct CheckSetting {
    char currentFolder[MAX_PATH];
    bool wow64;  // a 32-bit process on 64-bit Windows
};

// Tells, from the calls of one run of the launcher, what it read and what it
// would do; the result is the check's exit code: 0 when it would start the
// DNC program, 1 when it would show the warning.
int WriteCheckReport(const CallLog& log, const CheckSetting& setting, ReportText& report);
