#pragma once

#include "windows_constants.h"

// One place where an installation records the folder of the DNC program.
struct DncCandidate {
    const char* keyPath;
    const char* valueName;
    const char* programSubpath;
};

// The six places, in the order they are tried.
extern const DncCandidate kDncCandidates[6];

// The path of the DNC program, or the empty path when none was found; a
// found path always ends in a program subpath, so it is never empty.
struct DncProgramPath {
    char text[MAX_PATH];
};

DncProgramPath FindDncProgram(const WindowsOperations& windows);

// Ends the directory with a backslash, or with a forward slash when it holds
// no backslash at all. The storage must have room for one more character.
void AppendPathSeparator(char* directory);
