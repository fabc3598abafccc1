#pragma once

#include "dnc_locator.h"
#include "document_capture.h"

// What the DNC program is handed: nothing, or the document path in quotes.
struct DncParameters {
    char text[MAX_PATH + 2];
};

// The whole life of the program; the result is its exit code, always 0.
int RunLauncher(const WindowsOperations& windows);

DncParameters BuildDncParameters(const EditorDocument& document);
void LaunchDncProgram(const WindowsOperations& windows, const char* dncPath, const char* parameters);
void ReportDncMissing(const WindowsOperations& windows);
