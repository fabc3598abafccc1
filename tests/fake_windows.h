// An in-memory Windows behind the operations table: a foreground window, a
// registry, a file system with find-first semantics, and a record of every
// call. Anything the launcher does that Windows would not accept, or that
// leaves a handle open, lands in `faults`.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dnc_locator.h"

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
    // The directory value of install row 0 to 5, under that row's key and name.
    Value& InstallValue(int row);
    // Faults, plus any key or search handle still open.
    std::vector<std::string> Problems() const;
};

// What a failed registry read leaves in the caller's buffer.
extern const char kStaleFolder[];
// The six install records as installers write them, in probe order.
extern const DncCandidate kInstallRecords[6];

// A 64-bit build asks for the 32-bit registry view; neither asks for more.
#if defined(_WIN64)
constexpr std::uint32_t kExpectedInstallKeyAccess = KEY_QUERY_VALUE | KEY_WOW64_32KEY;
#else
constexpr std::uint32_t kExpectedInstallKeyAccess = KEY_QUERY_VALUE;
#endif
