// The only way the launcher reaches the operating system: one entry per
// Win32 call it makes, under that call's name. The Windows build fills the
// table with forwarders to the real calls; tests fill it with a world of
// their own. Nothing here includes <windows.h>.
#pragma once

#include <cstdint>

// Handles travel as integers so that the launcher's constants of these types
// (HKEY_LOCAL_MACHINE, INVALID_HANDLE_VALUE) can be compile-time values.
typedef std::uintptr_t WindowHandle;
typedef std::uintptr_t ModuleHandle;
typedef std::uintptr_t RegistryKey;
typedef std::uintptr_t SearchHandle;

// Room for a WIN32_FIND_DATAA, which nothing here reads; the Windows
// forwarder checks at compile time that it fits.
struct FindDataRecord {
    alignas(8) unsigned char bytes[320];
};

struct WindowsOperations {
    WindowHandle (*GetForegroundWindow)();
    int (*GetWindowTextA)(WindowHandle window, char* text, int maxCount);
    std::int32_t (*RegOpenKeyExA)(RegistryKey key, const char* subKey, std::uint32_t options,
                                  std::uint32_t access, RegistryKey* result);
    std::int32_t (*RegQueryValueExA)(RegistryKey key, const char* valueName, std::uint32_t* reserved,
                                     std::uint32_t* type, unsigned char* data, std::uint32_t* dataSize);
    std::int32_t (*RegCloseKey)(RegistryKey key);
    SearchHandle (*FindFirstFileA)(const char* fileName, FindDataRecord* findData);
    int (*FindClose)(SearchHandle search);
    ModuleHandle (*ShellExecuteA)(WindowHandle owner, const char* verb, const char* file,
                                  const char* parameters, const char* directory, int showCommand);
    int (*LoadStringA)(ModuleHandle module, unsigned int id, char* buffer, int bufferMax);
    int (*MessageBoxA)(WindowHandle owner, const char* text, const char* caption, unsigned int type);
};

// The forwarders to the real Win32 calls; only the Windows build has them.
extern const WindowsOperations Win32Operations;

// True when a find-first search for the path finds something: a file, a
// folder named without a trailing backslash, or a match of a wildcard in the
// last component. Relative paths resolve against the current directory.
bool PathExists(const WindowsOperations& windows, const char* path);
