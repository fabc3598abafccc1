// An in-memory Windows behind the operations table: a foreground window, a
// registry, a file system with find-first semantics, and a record of every
// call. Anything the launcher does that Windows would not accept, or that
// leaves a handle open, lands in `faults`.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "windows_constants.h"

struct ShellExecuteCall {
    WindowHandle owner;
    std::string verb, file, parameters;
    bool directoryGiven;
    int showCommand;
};

struct MessageBoxCall {
    WindowHandle owner;
    std::string text, caption;
    unsigned int style;
};

struct FakeWindows {
    // The world. A registry value is its raw bytes; `failing` makes a read
    // of it fail with that error instead.
    struct Value { std::string bytes; std::int32_t failing = ERROR_SUCCESS; };
    WindowHandle foreground = 0x10;
    std::string title;
    bool titleUnreadable = false;
    bool titleUnterminated = false;  // a window that fills the buffer with no terminator
    std::map<std::string, std::map<std::string, Value>> registry;  // key path -> value name -> value
    std::set<std::string> deniedKeys;
    std::string currentDirectory = "C:\\Work";
    std::vector<std::string> files;  // resolved like a search; their folders exist too
    bool findFirstFails = false, shellFails = false, loadStringFails = false;
    std::set<std::string> failingSearches;  // exact paths whose find-first fails

    // What the launcher did.
    std::vector<std::string> calls;  // operation names, in order
    std::vector<std::string> searches, openedKeys;
    std::vector<std::uint32_t> openAccess;
    std::vector<ShellExecuteCall> launches;
    std::vector<MessageBoxCall> boxes;
    std::vector<std::string> faults;
    std::set<RegistryKey> openKeys;
    std::set<SearchHandle> openSearches;

    FakeWindows();
    ~FakeWindows();
    const WindowsOperations& Operations() const;
    void AddFile(const std::string& path) { files.push_back(path); }
    void SetValue(const std::string& key, const std::string& name, const std::string& bytes) { registry[key][name].bytes = bytes; }
    // Faults, plus any key or search handle still open.
    std::vector<std::string> Problems() const;
};

// What a failed registry read leaves in the caller's buffer.
extern const char kStaleFolder[];
// The registry key paths of the six install records, in probe order.
extern const char* const kInstallKeys[6];
// The program's place under each row's install folder, in the same order.
extern const char* const kProgramSubpaths[6];
