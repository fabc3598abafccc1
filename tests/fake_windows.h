// A Windows that answers the launcher from a script and records what it was
// asked. A call Windows would refuse, or a handle left open, is a fault. Its
// values are written out here, not taken from the launcher's headers, so that
// a wrong constant there is caught.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "windows_operations.h"

// The six install records as their installers write them, in probe order.
const struct InstallRecord {
    const char *key, *value, *program;
} kInstallRecords[6] = {
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{4D81C2A7-3E95-4B06-8F1A-9C27E5B3D640}",
     "InstallLocation", "kdnc.exe"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E6A3F519-0B72-4C8D-9D45-71B8C02F6A93}",
     "InstallLocation", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Max\\Install Information", "Path", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Basic\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R1\\Install Information", "Path", "KorvR1\\KDNC\\kdnc.exe"},
};

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
    std::map<std::uintptr_t, std::string> openKeys;
    std::set<std::uintptr_t> openSearches;
    std::uintptr_t nextHandle = 0x1000;

    static FakeWindows* world;
    FakeWindows() { world = this; }
    const WindowsOperations& Operations() const;
    std::vector<std::string> Problems() const  // the faults, and every handle still open
    {
        std::vector<std::string> problems = faults;
        if (!openKeys.empty() || !openSearches.empty())
            problems.push_back("a key or search handle left open");
        return problems;
    }
    void Check(bool holds, const char* fault) { holds ? void() : faults.push_back(fault); }
};
inline FakeWindows* FakeWindows::world = nullptr;

namespace fake {

// HKEY_LOCAL_MACHINE is a sign-extended 32-bit value; a 64-bit build adds
// KEY_WOW64_32KEY to read the registry a 32-bit program sees.
const RegistryKey kLocalMachine = static_cast<RegistryKey>(static_cast<std::intptr_t>(std::int32_t(0x80000002u)));
#if defined(_WIN64)
const std::uint32_t kInstallKeyAccess = 0x0201;
#else
const std::uint32_t kInstallKeyAccess = 0x0001;
#endif

inline FakeWindows& Called(const char* name)
{
    FakeWindows::world->calls.push_back(name);
    return *FakeWindows::world;
}

inline bool AllZero(const void* data, std::size_t size)
{
    return std::all_of(static_cast<const char*>(data), static_cast<const char*>(data) + size, [](char b) { return !b; });
}

inline std::string Text(const char* text) { return text ? text : "null"; }

inline WindowHandle GetForegroundWindow() { return Called("GetForegroundWindow").foreground; }

inline int GetWindowTextA(WindowHandle window, char* text, int maxCount)
{
    FakeWindows& w = Called("GetWindowTextA");
    w.Check(window != 0 && window == w.foreground && maxCount == 260, "GetWindowTextA: window or count");
    const std::string title = w.title.substr(0, 259);
    std::memcpy(text, title.c_str(), title.size() + 1);
    return static_cast<int>(title.size());
}

inline std::int32_t RegOpenKeyExA(RegistryKey root, const char* key, std::uint32_t options, std::uint32_t access,
                                  RegistryKey* result)
{
    FakeWindows& w = Called("RegOpenKeyExA");
    w.keys.push_back(key);
    w.Check(w.openKeys.empty() && w.openSearches.empty(), "RegOpenKeyExA: a key or search still open");
    w.Check(root == kLocalMachine && options == 0 && access == kInstallKeyAccess, "RegOpenKeyExA: arguments");
    if (w.failingOpens.count(key) || !w.registry.count(key))
        return w.failingOpens.count(key) ? 5 : 2;  // ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND
    w.openKeys[*result = w.nextHandle++] = key;
    return 0;
}

// A failed read leaves what it got of the value in the buffer, as Windows may.
inline std::int32_t RegQueryValueExA(RegistryKey key, const char* name, std::uint32_t* reserved, std::uint32_t* type,
                                     unsigned char* data, std::uint32_t* size)
{
    FakeWindows& w = Called("RegQueryValueExA");
    w.Check(w.openKeys.count(key) && !reserved && !type && data && size && *size == 260, "RegQueryValueExA: arguments");
    w.Check(AllZero(data, 260), "RegQueryValueExA: buffer not zero-filled");
    const auto& values = w.registry[w.openKeys[key]];
    const auto value = values.find(name);
    if (value == values.end())
        return 2;
    std::memcpy(data, value->second.data(), std::min<std::size_t>(value->second.size(), 260));
    return w.failingReads.count(w.openKeys[key]) ? 5 : value->second.size() > 260 ? 234 : 0;  // 234: ERROR_MORE_DATA
}

inline std::int32_t RegCloseKey(RegistryKey key)
{
    FakeWindows& w = Called("RegCloseKey");
    w.Check(w.openKeys.erase(key) == 1, "RegCloseKey: key not open");
    return 0;
}

inline SearchHandle FindFirstFileA(const char* path, FindDataRecord* findData)
{
    FakeWindows& w = Called("FindFirstFileA");
    w.searches.push_back(path);
    w.Check(findData && std::strlen(path) < 260 && w.openKeys.empty(), "FindFirstFileA: arguments or open key");
    if (!w.found.count(path))
        return ~SearchHandle(0);  // INVALID_HANDLE_VALUE
    w.openSearches.insert(w.nextHandle);
    return w.nextHandle++;
}

inline int FindClose(SearchHandle search)
{
    FakeWindows& w = Called("FindClose");
    w.Check(w.openSearches.erase(search) == 1, "FindClose: handle not open");
    return 1;
}

inline ModuleHandle ShellExecuteA(WindowHandle owner, const char* verb, const char* file, const char* parameters,
                                  const char* directory, int show)
{
    Called("ShellExecuteA").outcome.push_back("ShellExecuteA(" + std::to_string(owner) + ", " + Text(verb) + ", " +
                                              Text(file) + ", " + Text(parameters) + ", " + Text(directory) + ", " +
                                              std::to_string(show) + ")");
    return 42;  // above 32: started
}

inline int LoadStringA(ModuleHandle module, unsigned int id, char* buffer, int bufferMax)
{
    FakeWindows& w = Called("LoadStringA");
    w.Check(module == 0 && id == 1 && bufferMax == 500 && AllZero(buffer, 500), "LoadStringA: arguments or old text");
    if (!w.loadStringFails)
        std::strcpy(buffer, "Error: Cannot find KORVANT DNC");
    return w.loadStringFails ? 0 : static_cast<int>(std::strlen(buffer));
}

inline int MessageBoxA(WindowHandle owner, const char* text, const char* caption, unsigned int style)
{
    Called("MessageBoxA").outcome.push_back("MessageBoxA(" + std::to_string(owner) + ", " + Text(text) + ", " +
                                            Text(caption) + ", " + std::to_string(style) + ")");
    return 1;  // IDOK
}

const WindowsOperations kOperations = {
    GetForegroundWindow, GetWindowTextA, RegOpenKeyExA, RegQueryValueExA, RegCloseKey,
    FindFirstFileA,      FindClose,      ShellExecuteA, LoadStringA,      MessageBoxA,
};

} // namespace fake

inline const WindowsOperations& FakeWindows::Operations() const { return fake::kOperations; }
