#include "fake_windows.h"

#include <algorithm>
#include <cstring>

const InstallRecord kInstallRecords[6] = {
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{4D81C2A7-3E95-4B06-8F1A-9C27E5B3D640}",
     "InstallLocation", "kdnc.exe"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E6A3F519-0B72-4C8D-9D45-71B8C02F6A93}",
     "InstallLocation", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Max\\Install Information", "Path", "KorvR2max\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R2 Basic\\Install Information", "Path", "KorvR2\\KDNC\\kdnc.exe"},
    {"SOFTWARE\\Halvorne, Incorporated\\KORVANT R1\\Install Information", "Path", "KorvR1\\KDNC\\kdnc.exe"},
};

namespace {

// HKEY_LOCAL_MACHINE is a sign-extended 32-bit value; a 64-bit build adds
// KEY_WOW64_32KEY to reach the registry a 32-bit program sees.
const RegistryKey kLocalMachine = static_cast<RegistryKey>(static_cast<std::intptr_t>(std::int32_t(0x80000002u)));
#if defined(_WIN64)
const std::uint32_t kInstallKeyAccess = 0x0201;
#else
const std::uint32_t kInstallKeyAccess = 0x0001;
#endif

FakeWindows* world = nullptr;
std::map<std::uintptr_t, std::string> keyPaths;
std::uintptr_t nextHandle = 0x1000;

void Check(bool holds, const char* fault)
{
    if (!holds)
        world->faults.push_back(fault);
}

bool AllZero(const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    return std::all_of(bytes, bytes + size, [](char b) { return b == 0; });
}

WindowHandle GetForegroundWindow()
{
    world->calls.push_back("GetForegroundWindow");
    return world->foreground;
}

int GetWindowTextA(WindowHandle window, char* text, int maxCount)
{
    world->calls.push_back("GetWindowTextA");
    Check(window != 0 && window == world->foreground && maxCount == 260, "GetWindowTextA: window or count");
    const std::string title = world->title.substr(0, 259);
    std::memcpy(text, title.c_str(), title.size() + 1);
    return static_cast<int>(title.size());
}

std::int32_t RegOpenKeyExA(RegistryKey root, const char* subKey, std::uint32_t options, std::uint32_t access,
                           RegistryKey* result)
{
    world->calls.push_back("RegOpenKeyExA");
    world->keys.push_back(subKey);
    Check(world->openKeys.empty() && world->openSearches.empty(), "RegOpenKeyExA: a key or search still open");
    Check(root == kLocalMachine && options == 0 && access == kInstallKeyAccess, "RegOpenKeyExA: root, options or access");
    if (world->failingOpens.count(subKey))
        return 5;  // ERROR_ACCESS_DENIED
    if (!world->registry.count(subKey))
        return 2;  // ERROR_FILE_NOT_FOUND
    *result = nextHandle++;
    keyPaths[*result] = subKey;
    world->openKeys.insert(*result);
    return 0;
}

// A failed read leaves what it got of the value in the buffer, as Windows may.
std::int32_t RegQueryValueExA(RegistryKey key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                              unsigned char* data, std::uint32_t* dataSize)
{
    world->calls.push_back("RegQueryValueExA");
    Check(world->openKeys.count(key) && !reserved && !type && data && dataSize && *dataSize == 260,
          "RegQueryValueExA: key or arguments");
    Check(AllZero(data, 260), "RegQueryValueExA: buffer not zero-filled");
    const auto& values = world->registry[keyPaths[key]];
    const auto value = values.find(valueName);
    if (value == values.end())
        return 2;
    std::memcpy(data, value->second.data(), std::min<std::size_t>(value->second.size(), 260));
    if (world->failingReads.count(keyPaths[key]))
        return 5;
    return value->second.size() > 260 ? 234 : 0;  // ERROR_MORE_DATA
}

std::int32_t RegCloseKey(RegistryKey key)
{
    world->calls.push_back("RegCloseKey");
    Check(world->openKeys.erase(key) == 1, "RegCloseKey: key not open");
    return 0;
}

SearchHandle FindFirstFileA(const char* fileName, FindDataRecord* findData)
{
    world->calls.push_back("FindFirstFileA");
    world->searches.push_back(fileName);
    Check(findData && std::strlen(fileName) < 260 && world->openKeys.empty(), "FindFirstFileA: arguments or open key");
    if (!world->found.count(fileName))
        return ~SearchHandle(0);  // INVALID_HANDLE_VALUE
    world->openSearches.insert(nextHandle);
    return nextHandle++;
}

int FindClose(SearchHandle search)
{
    world->calls.push_back("FindClose");
    Check(world->openSearches.erase(search) == 1, "FindClose: handle not open");
    return 1;
}

ModuleHandle ShellExecuteA(WindowHandle owner, const char* verb, const char* file, const char* parameters,
                           const char* directory, int showCommand)
{
    world->calls.push_back("ShellExecuteA");
    const auto text = [](const char* s) { return s ? std::string(s) : "null"; };
    world->outcome.push_back("ShellExecuteA(" + std::to_string(owner) + ", " + text(verb) + ", " + text(file) + ", " +
                             text(parameters) + ", " + text(directory) + ", " + std::to_string(showCommand) + ")");
    return 42;  // above 32: started
}

int LoadStringA(ModuleHandle module, unsigned int id, char* buffer, int bufferMax)
{
    world->calls.push_back("LoadStringA");
    Check(module == 0 && id == 1 && bufferMax == 500, "LoadStringA: arguments");
    Check(AllZero(buffer, 500), "LoadStringA: buffer holds old text");
    if (world->loadStringFails)
        return 0;
    std::strcpy(buffer, "Error: Cannot find KORVANT DNC");
    return static_cast<int>(std::strlen(buffer));
}

int MessageBoxA(WindowHandle owner, const char* text, const char* caption, unsigned int type)
{
    world->calls.push_back("MessageBoxA");
    char style[16];
    std::snprintf(style, sizeof style, "0x%x", type);
    world->outcome.push_back("MessageBoxA(" + std::to_string(owner) + ", " + text + ", " + caption + ", " + style + ")");
    return 1;  // IDOK
}

const WindowsOperations kOperations = {
    GetForegroundWindow, GetWindowTextA, RegOpenKeyExA, RegQueryValueExA, RegCloseKey,
    FindFirstFileA,      FindClose,      ShellExecuteA, LoadStringA,      MessageBoxA,
};

} // namespace

FakeWindows::FakeWindows()
{
    world = this;
    keyPaths.clear();
}

const WindowsOperations& FakeWindows::Operations() const { return kOperations; }

std::vector<std::string> FakeWindows::Problems() const
{
    std::vector<std::string> problems = faults;
    if (!openKeys.empty())
        problems.push_back("registry key left open");
    if (!openSearches.empty())
        problems.push_back("search handle left open");
    return problems;
}
