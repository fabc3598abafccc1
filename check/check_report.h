#pragma once

#include "check_reading.h"

// The report as one text in storage its caller gives, written out whole
// once complete. Whatever the registry and the title hold, its last line is
// the verdict; a report cut short for room says so above it.
struct ReportText {
    char* text;
    std::size_t capacity;
    std::size_t length;
    std::size_t limit;  // where the text written now must stop
    bool cut;           // something did not fit below the limit
};

// A number or a byte as text, for both the report and the JSON.
struct NumberText {
    char text[24];
};

// A byte as two upper-case hexadecimal digits.
NumberText Hex(unsigned char byte);

// Tells, from the reading of one run of the launcher, what it read and what
// it would do; the result is the check's exit code: 0 when it would start
// the DNC program, 1 when it would show the warning.
int WriteCheckReport(const CheckReading& reading, const CheckSetting& setting, ReportText& report);

// The same facts as one line of JSON in ASCII, every other letter as \u
// escapes, for PowerShell 5.1, cmd and any parser alike. False, and nothing
// written, when it does not fit its storage whole.
bool WriteCheckJson(const CheckReading& reading, const CheckSetting& setting, const CheckOperations& check,
                    ReportText& report);
