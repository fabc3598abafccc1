// A Windows that answers the launcher from a script and records what it was
// asked. A call Windows would refuse, or a handle left open, is a fault. Its
// values are written out here rather than taken from the launcher's headers,
// so that a wrong constant there is caught.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "windows_operations.h"

struct FakeWindows {
    // The answers.
    WindowHandle foreground = 0x10;  // 0: no window in front
    std::string title;
    std::map<std::string, std::map<std::string, std::string>> registry;  // key -> value name -> raw bytes
    std::set<std::string> failingOpens, failingReads;                    // key paths
    std::set<std::string> found;  // the exact strings a find-first search finds something for
    bool loadStringFails = false;

    // What was asked.
    std::vector<std::string> calls, keys, searches;  // every call; opened keys; searched paths
    std::vector<std::string> outcome;                // ShellExecuteA and MessageBoxA with their arguments
    std::vector<std::string> faults;
    std::set<std::uintptr_t> openKeys, openSearches;

    FakeWindows();
    const WindowsOperations& Operations() const;
    std::vector<std::string> Problems() const;  // the faults, and every handle still open
};

// The six install records as their installers write them, in probe order.
struct InstallRecord {
    const char* key;
    const char* value;
    const char* program;
};
extern const InstallRecord kInstallRecords[6];
